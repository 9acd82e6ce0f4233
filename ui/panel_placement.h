#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace tallyglass {

// Gap between the clicked tray item and the panel.
inline constexpr int panelAnchorGap = 12;

// Where the panel's top-left corner goes when the tray item was clicked at anchor: centred on
// it, below it when the tray is in the upper half of the screen and above it otherwise, and
// always inside the available area (which leaves out the desktop's own panels).
QPoint panelOrigin(QPoint anchor, QSize panel, const QRect& available);

} // namespace tallyglass
