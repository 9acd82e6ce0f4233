#include "tray_icon.h"

#include "menu_bar_icon.h"

#include <QPainter>

#include <cmath>

namespace tallyglass {

QPixmap squareTrayPixmap(int side, const QColor& tint) {
    const qreal scale = side / menuBarIconSize.width();
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    // Whole pixels above, so the body's edges fall where they would at the top of the square.
    painter.translate(0, std::round((side - menuBarIconSize.height() * scale) / 2));
    painter.scale(scale, scale);
    drawMenuBarIcon(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), menuBarIconSize), tint);
    painter.end();
    return QPixmap::fromImage(square);
}

QIcon trayIcon(const QColor& tint) {
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(squareTrayPixmap(side, tint));
    return icon;
}

} // namespace tallyglass
