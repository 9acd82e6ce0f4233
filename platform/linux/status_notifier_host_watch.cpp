#include "status_notifier_host_watch.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace tallyglass {
namespace {

QDBusMessage hostQuestion() {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QLatin1String(statusNotifierWatcherService), QLatin1String(statusNotifierWatcherPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    message << QLatin1String(statusNotifierWatcherInterface)
            << QStringLiteral("IsStatusNotifierHostRegistered");
    return message;
}

bool hostAnswer(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

} // namespace

StatusNotifierHostWatch::StatusNotifierHostWatch(QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_serviceWatcher(QLatin1String(statusNotifierWatcherService), m_bus,
                       QDBusServiceWatcher::WatchForOwnerChange) {
    if (!m_bus.isConnected())
        return;
    connect(&m_serviceWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString& newOwner) {
                if (!oldOwner.isEmpty())
                    watcherUnregistered();
                if (!newOwner.isEmpty())
                    watcherRegistered();
            });
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        m_bus.connect(QLatin1String(statusNotifierWatcherService),
                      QLatin1String(statusNotifierWatcherPath),
                      QLatin1String(statusNotifierWatcherInterface), QLatin1String(signal), this,
                      SLOT(askHost()));

    // Only the bus daemon is asked here, never the watcher: it may be slow, or be this very
    // process. Until the watcher answers, a host is taken to be there, as it nearly always
    // is; the answer follows within milliseconds and corrects it.
    m_watcherPresent =
        m_bus.interface()->isServiceRegistered(QLatin1String(statusNotifierWatcherService));
    m_hostPresent = m_watcherPresent;
    askHost();
}

void StatusNotifierHostWatch::watcherRegistered() {
    ++m_generation;
    setState(true, false);
    emit watcherAppeared();
    askHost();
}

void StatusNotifierHostWatch::watcherUnregistered() {
    ++m_generation;
    setState(false, false);
}

void StatusNotifierHostWatch::askHost() {
    if (!m_watcherPresent)
        return;
    const quint64 generation = m_generation;
    auto* call = new QDBusPendingCallWatcher(m_bus.asyncCall(hostQuestion()), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, call, generation] {
        call->deleteLater();
        if (generation == m_generation)
            setState(true, hostAnswer(call->reply()));
    });
}

void StatusNotifierHostWatch::setState(bool watcher, bool host) {
    if (watcher == m_watcherPresent && host == m_hostPresent)
        return;
    m_watcherPresent = watcher;
    m_hostPresent = host;
    emit changed();
}

} // namespace tallyglass
