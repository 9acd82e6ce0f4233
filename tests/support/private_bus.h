#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

namespace tallyglass::testing {

// A D-Bus session bus of its own: a real dbus-daemon, ended with this object, as are the
// connections made to it.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();

    // Empty when no daemon could be started (then say why with error()).
    QString address() const { return m_address; }
    QString error() const { return m_error; }
    // A new connection to the bus, as a separate peer with its own unique name.
    QDBusConnection connect(const QString& name) {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QString m_error;
    QStringList m_connections;
};

} // namespace tallyglass::testing
