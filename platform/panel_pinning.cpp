#include "panel_pinning.h"

namespace tallyglass {

ScreenCorner nearestCorner(std::optional<QPoint> item, const QRect& screen) {
    if (!item)
        return ScreenCorner::topRight;
    const bool top = item->y() < screen.center().y();
    const bool left = item->x() < screen.center().x();
    if (top)
        return left ? ScreenCorner::topLeft : ScreenCorner::topRight;
    return left ? ScreenCorner::bottomLeft : ScreenCorner::bottomRight;
}

} // namespace tallyglass
