#include "tray_status_item.h"

#include <QCursor>

namespace tallyglass {

TrayStatusItem::TrayStatusItem(QObject* parent)
    : StatusItem(parent) {
    connect(&m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                    emit activated(QCursor::pos());
            });
    fillMenu(std::nullopt);
    m_tray.setContextMenu(&m_menu);
    m_trayLook.setInterval(trayLookMs);
    m_trayLook.setTimerType(Qt::VeryCoarseTimer);
    connect(&m_trayLook, &QTimer::timeout, this, &TrayStatusItem::lookAtTray);
    m_trayLook.start();
}

bool TrayStatusItem::isShown() const {
    return QSystemTrayIcon::isSystemTrayAvailable() && m_tray.isVisible();
}

void TrayStatusItem::setContent(const QIcon& icon, const std::optional<QString>& summary) {
    m_tray.setIcon(icon);
    m_tray.setToolTip(statusTitle(summary));
    fillMenu(summary);
    // Shown even while no tray runs: Qt docks the icon once a tray host appears.
    m_tray.show();
    lookAtTray();
}

void TrayStatusItem::lookAtTray() {
    const bool shown = isShown();
    if (shown == m_toldShown)
        return;
    m_toldShown = shown;
    m_trayLook.setInterval(m_toldShown ? shownLookMs : trayLookMs);
    emit shownChanged();
}

void TrayStatusItem::fillMenu(const std::optional<QString>& summary) {
    m_menu.clear();
    for (const StatusMenuEntry& entry : statusMenuEntries(summary)) {
        if (entry.separator) {
            m_menu.addSeparator();
            continue;
        }
        QAction* action = m_menu.addAction(entry.label);
        action->setEnabled(entry.command.has_value());
        if (entry.command)
            connect(action, &QAction::triggered, this,
                    [this, command = *entry.command] { emit commandChosen(command); });
    }
}

} // namespace tallyglass
