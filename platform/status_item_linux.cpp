#include "status_item.h"

#include "tray_status_item.h"

namespace tallyglass {

std::unique_ptr<StatusItem> createStatusItem() {
    return std::make_unique<TrayStatusItem>();
}

} // namespace tallyglass
