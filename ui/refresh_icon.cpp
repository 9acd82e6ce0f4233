#include "refresh_icon.h"

#include <QPainter>
#include <QPainterPath>

namespace tallyglass {
namespace {

QPixmap refreshPixmap(int side, const QColor& colour) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 16.0, side / 16.0);
    // Three quarters of a circle, open at the top right, with the arrowhead at its end.
    painter.setPen(QPen(colour, 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 280 * 16);
    QPainterPath head;
    head.moveTo(9.2, 0.6);
    head.lineTo(13.6, 3.0);
    head.lineTo(9.6, 6.0);
    head.closeSubpath();
    painter.fillPath(head, colour);
    return pixmap;
}

} // namespace

QIcon refreshIcon(const QColor& colour) {
    QIcon icon;
    for (int side : {16, 24, 32, 48})
        icon.addPixmap(refreshPixmap(side, colour));
    return icon;
}

} // namespace tallyglass
