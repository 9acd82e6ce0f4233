#pragma once

#include "status_item.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace tallyglass {

// Qt's system tray icon: the XEmbed tray on X11 desktops. It has no room for a label, so the
// summary goes into the tooltip and the first line of its menu. Qt tells nobody when such a tray
// comes or goes, so the item looks now and then: often while no tray shows it, when a window
// stands in for it, and seldom once one does, so that it costs nothing while idle.
class TrayStatusItem final : public StatusItem {
    Q_OBJECT

public:
    static constexpr int trayLookMs = 2000;
    static constexpr int shownLookMs = 10000;

    explicit TrayStatusItem(QObject* parent = nullptr);

    bool isShown() const override;
    void setContent(const QIcon& icon, const std::optional<QString>& summary) override;

private:
    void fillMenu(const std::optional<QString>& summary);
    void lookAtTray();

    QMenu m_menu;
    QSystemTrayIcon m_tray;
    QTimer m_trayLook;
    bool m_toldShown = false;
};

} // namespace tallyglass
