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
}

bool TrayStatusItem::isShown() const {
    return QSystemTrayIcon::isSystemTrayAvailable() && m_tray.isVisible();
}

void TrayStatusItem::setContent(const QIcon& icon, const std::optional<QString>& summary) {
    m_tray.setIcon(icon);
    m_tray.setToolTip(summary ? QStringLiteral("Tallyglass: %1").arg(*summary)
                              : QStringLiteral("Tallyglass"));
    // Shown even while no tray runs: Qt docks the icon once a tray host appears.
    m_tray.show();
}

} // namespace tallyglass
