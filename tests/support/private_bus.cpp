#include "private_bus.h"

#include <QStandardPaths>

namespace tallyglass::testing {

PrivateBus::PrivateBus() {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        m_error = QStringLiteral("dbus-daemon is not installed (Debian package dbus)");
        return;
    }
    m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                            QStringLiteral("--print-address")});
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    if (m_daemon.canReadLine())
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    else
        m_error = QStringLiteral("dbus-daemon printed no address: ") +
                  QString::fromUtf8(m_daemon.readAllStandardError());
}

PrivateBus::~PrivateBus() {
    for (const QString& name : m_connections)
        QDBusConnection::disconnectFromBus(name);
    m_daemon.kill();
    m_daemon.waitForFinished(2000);
}

} // namespace tallyglass::testing
