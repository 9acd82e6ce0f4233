#include "panel_placement.h"

#include <algorithm>

namespace tallyglass {

QPoint panelOrigin(QPoint anchor, QSize panel, const QRect& available) {
    const bool trayAtTop = anchor.y() < available.center().y();
    int x = anchor.x() - panel.width() / 2;
    int y = trayAtTop ? anchor.y() + panelAnchorGap : anchor.y() - panelAnchorGap - panel.height();
    // Clamp the far edge first, so a panel larger than the area keeps its top-left visible.
    x = std::max(std::min(x, available.right() + 1 - panel.width()), available.left());
    y = std::max(std::min(y, available.bottom() + 1 - panel.height()), available.top());
    return QPoint(x, y);
}

} // namespace tallyglass
