#pragma once

#include <QPoint>
#include <QRect>

#include <optional>

class QWidget;

namespace tallyglass {

enum class ScreenCorner { topLeft, topRight, bottomLeft, bottomRight };

// The corner of the screen nearest the tray item at item (a tray sits at a screen's edge, so
// this is where its bar is); the top-right corner, where trays usually are, when unknown.
ScreenCorner nearestCorner(std::optional<QPoint> item, const QRect& screen);

// Before the panel is shown: pins it above other windows, without a frame, to the screen
// corner nearest the tray item, where the compositor lets a program place a surface so (the
// layer-shell protocol of sway, Hyprland and Plasma on Wayland). The panel then takes the
// keyboard focus when it opens, and loses it to a click elsewhere. False where this is not
// offered: the caller places the panel itself. A pinned panel stays pinned until its native
// window is destroyed.
bool pinPanelToCorner(QWidget& panel, std::optional<QPoint> item);

} // namespace tallyglass
