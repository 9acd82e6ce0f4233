#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSizeF>

class QPainter;

namespace tallyglass {

// The icon's size in points; the drawing below uses this space with its origin at the
// bottom-left corner and y upwards.
inline constexpr QSizeF menuBarIconSize{18.0, 16.0};

// Draws the icon in black into the painter, whose coordinates are the icon's points with
// y downwards and the origin top-left. False, with nothing drawn, when the painter is not
// active on a device.
bool drawMenuBarIcon(QPainter* painter);

// The template image: only its alpha is meaningful. Renditions at 1x, 2x and 3x are made
// once and shared; other ratios are drawn afresh.
QImage menuBarIcon(qreal devicePixelRatio);

// The template tinted with one colour, as the tray or the panel header shows it.
QPixmap tintedMenuBarIcon(qreal devicePixelRatio, const QColor& tint);

} // namespace tallyglass
