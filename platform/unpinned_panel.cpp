#include "panel_pinning.h"

namespace tallyglass {

// Systems without a way to pin a surface to a screen corner.
bool pinPanelToCorner(QWidget&, std::optional<QPoint>) {
    return false;
}

} // namespace tallyglass
