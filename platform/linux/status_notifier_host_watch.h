#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

namespace tallyglass {

inline constexpr char statusNotifierWatcherService[] = "org.kde.StatusNotifierWatcher";
inline constexpr char statusNotifierWatcherPath[] = "/StatusNotifierWatcher";
inline constexpr char statusNotifierWatcherInterface[] = "org.kde.StatusNotifierWatcher";

// Follows the desktop's StatusNotifierWatcher on a bus: whether one runs, and whether some
// host (a panel that draws the items) has told it that it is there. Without a host, items
// registered with the watcher are shown by nobody.
class StatusNotifierHostWatch final : public QObject {
    Q_OBJECT

public:
    // Knows on return whether a watcher runs; whether it has a host follows shortly.
    explicit StatusNotifierHostWatch(QDBusConnection bus, QObject* parent = nullptr);

    QDBusConnection bus() const { return m_bus; }
    bool watcherPresent() const { return m_watcherPresent; }
    bool hostPresent() const { return m_watcherPresent && m_hostPresent; }

signals:
    // A watcher took the name; it knows no items yet, so they must register again.
    void watcherAppeared();
    // watcherPresent() or hostPresent() changed.
    void changed();

private slots:
    void askHost();

private:
    void setState(bool watcher, bool host);
    void watcherRegistered();
    void watcherUnregistered();

    QDBusConnection m_bus;
    QDBusServiceWatcher m_serviceWatcher;
    bool m_watcherPresent = false;
    bool m_hostPresent = false;
    // Answers to questions asked before the latest change of owner are stale.
    quint64 m_generation = 0;
};

} // namespace tallyglass
