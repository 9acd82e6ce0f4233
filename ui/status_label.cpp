#include "status_label.h"

#include "menu_bar_icon.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tallyglass {

QImage renderStatusLabel(const std::optional<QString>& summary, qreal devicePixelRatio,
                         const QColor& tint, const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal textWidth = summary ? metrics.horizontalAdvance(*summary) : 0.0;
    const qreal width =
        menuBarIconSize.width() + (summary ? statusLabelSpacing + std::ceil(textWidth) : 0.0);
    const qreal height = std::max(menuBarIconSize.height(), std::ceil(metrics.height()));

    QImage image(QSize(static_cast<int>(std::ceil(width * devicePixelRatio)),
                       static_cast<int>(std::ceil(height * devicePixelRatio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);

    QPainter painter(&image);
    const qreal iconTop = (height - menuBarIconSize.height()) / 2;
    painter.drawPixmap(QPointF(0, iconTop), tintedMenuBarIcon(devicePixelRatio, tint));
    if (summary) {
        painter.setFont(font);
        painter.setPen(tint);
        const QRectF textRect(menuBarIconSize.width() + statusLabelSpacing, 0, textWidth + 1,
                              height);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, *summary);
    }
    return image;
}

QColor trayTint(const QColor& trayBackground) {
    return trayBackground.lightnessF() < 0.5 ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace tallyglass
