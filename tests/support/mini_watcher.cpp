#include "mini_watcher.h"

#include <QDBusConnectionInterface>

namespace tallyglass::testing {

MiniWatcherAdaptor::MiniWatcherAdaptor(MiniWatcher* watcher)
    : QDBusAbstractAdaptor(watcher)
    , m_watcher(watcher) {}

QStringList MiniWatcherAdaptor::registeredItems() const {
    return m_watcher->items();
}

bool MiniWatcherAdaptor::hostRegistered() const {
    return m_watcher->hostRegistered();
}

void MiniWatcherAdaptor::RegisterStatusNotifierItem(const QString& service) {
    // An object path instead of a name means: the caller's own name, at that path.
    m_watcher->registerItem(service.startsWith(u'/') ? message().service() : service);
}

void MiniWatcherAdaptor::RegisterStatusNotifierHost(const QString&) {
    m_watcher->setHostRegistered(true);
}

MiniWatcher::MiniWatcher(QDBusConnection bus, bool withHost)
    : m_bus(std::move(bus))
    , m_adaptor(new MiniWatcherAdaptor(this))
    , m_host(withHost) {
    m_owners.setConnection(m_bus);
    m_owners.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_owners, &QDBusServiceWatcher::serviceUnregistered, this, &MiniWatcher::forget);
    m_bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), this,
                         QDBusConnection::ExportAdaptors);
    m_running = m_bus.interface()
                    ->registerService(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                      QDBusConnectionInterface::DontQueueService)
                    .value() == QDBusConnectionInterface::ServiceRegistered;
}

MiniWatcher::~MiniWatcher() {
    m_bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    m_bus.interface()->unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void MiniWatcher::setHostRegistered(bool host) {
    if (host == m_host)
        return;
    m_host = host;
    if (host)
        emit m_adaptor->StatusNotifierHostRegistered();
    else
        emit m_adaptor->StatusNotifierHostUnregistered();
}

void MiniWatcher::registerItem(const QString& name) {
    if (m_items.contains(name))
        return;
    // Watched before the check, so a name that goes in between is still seen going. A
    // registration can also arrive after its name is gone: the owner is what counts.
    m_owners.addWatchedService(name);
    if (!m_bus.interface()->isServiceRegistered(name)) {
        m_owners.removeWatchedService(name);
        return;
    }
    m_items.append(name);
    emit m_adaptor->StatusNotifierItemRegistered(name);
    emit itemRegistered(name);
    if (m_drop)
        forget(name);
}

void MiniWatcher::dropAll() {
    const QStringList items = m_items;
    for (const QString& item : items)
        forget(item);
}

void MiniWatcher::forget(const QString& service) {
    if (!m_items.removeOne(service))
        return;
    m_owners.removeWatchedService(service);
    emit m_adaptor->StatusNotifierItemUnregistered(service);
    emit itemUnregistered(service);
}

} // namespace tallyglass::testing
