#pragma once

#include "platform/status_item.h"
#include "status_notifier_host_watch.h"

namespace tallyglass {

// The item on freedesktop.org desktops: a StatusNotifierItem while a host for those is on
// the session bus, else Qt's system tray icon (the XEmbed tray of bare X11 panels). Follows
// the host as it comes and goes, so there is always exactly one item.
class FreedesktopStatusItem final : public StatusItem {
    Q_OBJECT

public:
    explicit FreedesktopStatusItem(QDBusConnection bus, QObject* parent = nullptr);
    ~FreedesktopStatusItem() override;

    bool isShown() const override;
    void setContent(const QIcon& icon, const std::optional<QString>& summary) override;

    // True while the StatusNotifierItem is the one in use.
    bool usesStatusNotifier() const { return m_usesStatusNotifier; }

private:
    void follow();

    StatusNotifierHostWatch m_watch;
    std::unique_ptr<StatusItem> m_current;
    bool m_usesStatusNotifier = false;
    QIcon m_icon;
    std::optional<QString> m_summary;
};

} // namespace tallyglass
