#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace tallyglass {

// The icon centred in a square of side pixels, as large as fits, in one tint: trays ask for
// square icons and would otherwise scale the 18 × 16 one and blur it.
QPixmap squareTrayPixmap(int side, const QColor& tint);

// Square renditions at the sizes trays and StatusNotifierItem hosts ask for.
QIcon trayIcon(const QColor& tint);

} // namespace tallyglass
