#include "tray_icon.h"

#include "menu_bar_icon.h"

#include <QPainter>

#include <cmath>

namespace tallyglass {
namespace {

// The glyph alone in one colour, scaled to the width left inside the outline.
QImage glyph(int side, int outline, const QColor& colour) {
    const qreal scale = (side - 2.0 * outline) / menuBarIconSize.width();
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Whole pixels above, so the body's edges fall where they would at the top of the square.
    painter.translate(outline, std::round((side - menuBarIconSize.height() * scale) / 2));
    painter.scale(scale, scale);
    drawMenuBarIcon(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), menuBarIconSize), colour);
    return image;
}

} // namespace

QPixmap squareTrayPixmap(int side) {
    // Wider outlines on larger renditions, so HiDPI bars see the same look.
    const int outline = std::max(1, side / 16);
    const QImage shadow = glyph(side, outline, trayIconOutline);
    QImage square(side, side, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    for (int dy = -outline; dy <= outline; ++dy) {
        for (int dx = -outline; dx <= outline; ++dx) {
            if (dx * dx + dy * dy <= outline * outline + 1)
                painter.drawImage(dx, dy, shadow);
        }
    }
    painter.drawImage(0, 0, glyph(side, outline, trayIconGlyph));
    painter.end();
    return QPixmap::fromImage(square);
}

QIcon trayIcon() {
    QIcon icon;
    for (int side : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(squareTrayPixmap(side));
    return icon;
}

} // namespace tallyglass
