#pragma once

#include "status_item.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace tallyglass {

// Qt's system tray icon: the XEmbed tray on X11 desktops. It has no room for a label, so the
// summary goes into the tooltip and the first line of its menu.
class TrayStatusItem final : public StatusItem {
    Q_OBJECT

public:
    explicit TrayStatusItem(QObject* parent = nullptr);

    bool isShown() const override;
    void setContent(const QIcon& icon, const std::optional<QString>& summary) override;

private:
    void fillMenu(const std::optional<QString>& summary);

    QMenu m_menu;
    QSystemTrayIcon m_tray;
};

} // namespace tallyglass
