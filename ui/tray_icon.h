#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace tallyglass {

// A light glyph inside a dark outline: bars are light or dark, and hosts rarely say which,
// so the icon carries its own contrast against either.
inline const QColor trayIconGlyph{242, 242, 242};
inline const QColor trayIconOutline{26, 26, 26};

// The icon centred in a square of side pixels, as large as fits: trays ask for square icons
// and would otherwise scale the 18 × 16 one and blur it.
QPixmap squareTrayPixmap(int side);

// Square renditions at the sizes trays and StatusNotifierItem hosts ask for, up to 64 px for
// HiDPI bars.
QIcon trayIcon();

} // namespace tallyglass
