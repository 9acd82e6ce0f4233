#include "menu_bar_icon.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace tallyglass {
namespace {

// The geometry is given with y upwards; the painter has y downwards.
QRectF flipped(qreal x, qreal y, qreal width, qreal height) {
    return QRectF(x, menuBarIconSize.height() - y - height, width, height);
}

QPointF flipped(qreal x, qreal y) {
    return QPointF(x, menuBarIconSize.height() - y);
}

QImage renderTemplate(qreal devicePixelRatio) {
    const QSize pixels(static_cast<int>(std::ceil(menuBarIconSize.width() * devicePixelRatio)),
                       static_cast<int>(std::ceil(menuBarIconSize.height() * devicePixelRatio)));
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(devicePixelRatio);
    QPainter painter(&image);
    drawMenuBarIcon(&painter);
    return image;
}

} // namespace

bool drawMenuBarIcon(QPainter* painter) {
    if (!painter || !painter->isActive())
        return false;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(Qt::black);

    // Body, stalk and dot.
    painter->drawRoundedRect(flipped(1.5, 1.0, 15.0, 9.5), 3.0, 3.0);
    QPen stalk(Qt::black, 1.5, Qt::SolidLine, Qt::FlatCap);
    painter->setPen(stalk);
    painter->drawLine(flipped(9.0, 10.5), flipped(9.0, 12.75));
    painter->setPen(Qt::NoPen);
    painter->drawEllipse(flipped(7.75, 12.5, 2.5, 2.5));

    // The two eyes are cut out of the body, not painted over it.
    painter->setCompositionMode(QPainter::CompositionMode_DestinationOut);
    painter->drawEllipse(flipped(4.25, 4.5, 3.0, 3.0));
    painter->drawEllipse(flipped(10.75, 4.5, 3.0, 3.0));
    painter->restore();
    return true;
}

QImage menuBarIcon(qreal devicePixelRatio) {
    static const std::array<QImage, 3> shared{renderTemplate(1), renderTemplate(2),
                                              renderTemplate(3)};
    for (const QImage& image : shared) {
        if (image.devicePixelRatio() == devicePixelRatio)
            return image;
    }
    return renderTemplate(devicePixelRatio);
}

QPixmap tintedMenuBarIcon(qreal devicePixelRatio, const QColor& tint) {
    QImage image = menuBarIcon(devicePixelRatio);
    image.detach();
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(QPointF(0, 0), menuBarIconSize), tint);
    painter.end();
    return QPixmap::fromImage(image);
}

} // namespace tallyglass
