#pragma once

#include "status_item.h"

#include <QSystemTrayIcon>

namespace tallyglass {

// Qt's system tray icon: the XEmbed tray on X11 desktops. It has no room for a label, so the
// summary goes into the tooltip.
class TrayStatusItem final : public StatusItem {
    Q_OBJECT

public:
    explicit TrayStatusItem(QObject* parent = nullptr);

    bool isShown() const override;
    void setContent(const QIcon& icon, const std::optional<QString>& summary) override;

private:
    QSystemTrayIcon m_tray;
};

} // namespace tallyglass
