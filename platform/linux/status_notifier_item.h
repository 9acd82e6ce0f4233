#pragma once

#include "platform/status_item.h"

#include <QDBusConnection>

#include <array>

namespace tallyglass {

class StatusNotifierAdaptor;
class StatusNotifierHostWatch;

// The item as an org.kde.StatusNotifierItem on the session bus, for desktops whose panel
// hosts such items (GNOME with the AppIndicator extension, KDE Plasma, Xfce, ...). It
// registers with the desktop's watcher, and again each time a watcher appears.
class StatusNotifierItem final : public StatusItem {
    Q_OBJECT

public:
    static constexpr char objectPath[] = "/StatusNotifierItem";
    // The square sizes hosts pick from, in pixels.
    static constexpr std::array<int, 4> pixmapSides{16, 22, 24, 32};

    // The watch must outlive the item.
    explicit StatusNotifierItem(StatusNotifierHostWatch& watch, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    bool isShown() const override;
    void setContent(const QIcon& icon, const std::optional<QString>& summary) override;
    std::optional<QColor> hostBackground() const override;

    // org.kde.StatusNotifierItem-<pid>-<n>, unique within this process.
    QString serviceName() const { return m_service; }
    bool registeredWithWatcher() const { return m_registered; }

private:
    void registerWithWatcher();

    StatusNotifierHostWatch& m_watch;
    QDBusConnection m_bus;
    QString m_service;
    StatusNotifierAdaptor* m_adaptor;
    bool m_registered = false;
    // Answers to registrations sent to an earlier watcher are stale.
    quint64 m_attempt = 0;
};

} // namespace tallyglass
