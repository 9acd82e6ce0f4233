#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>

namespace tallyglass::testing {

class MiniWatcher;

// The watcher's side of the StatusNotifierItem protocol, as much as a host needs.
class MiniWatcherAdaptor final : public QDBusAbstractAdaptor, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit MiniWatcherAdaptor(MiniWatcher* watcher);

    QStringList registeredItems() const;
    bool hostRegistered() const;
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
    void StatusNotifierHostUnregistered();

private:
    MiniWatcher* m_watcher;
};

// A StatusNotifierWatcher on a bus, which also says that a host is present unless told
// otherwise. Items are known by their bus names and forgotten when the names go.
class MiniWatcher final : public QObject {
    Q_OBJECT

public:
    explicit MiniWatcher(QDBusConnection bus, bool withHost = true);
    ~MiniWatcher() override;

    // False when another watcher holds the name.
    bool isRunning() const { return m_running; }
    QStringList items() const { return m_items; }
    bool hostRegistered() const { return m_host; }
    void setHostRegistered(bool host);
    // Accepts registrations but drops the items at once, as a host that fails to set them
    // up does.
    void setDropItems(bool drop) { m_drop = drop; }
    // Drops the items it holds, telling them so.
    void dropAll();

signals:
    void itemRegistered(const QString& service);
    void itemUnregistered(const QString& service);

private:
    friend class MiniWatcherAdaptor;
    void registerItem(const QString& name);
    void forget(const QString& service);

    QDBusConnection m_bus;
    MiniWatcherAdaptor* m_adaptor;
    QDBusServiceWatcher m_owners;
    QStringList m_items;
    bool m_host;
    bool m_running = false;
    bool m_drop = false;
};

} // namespace tallyglass::testing
