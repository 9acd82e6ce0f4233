#include "platform/status_item.h"

#include "freedesktop_status_item.h"

namespace tallyglass {

std::unique_ptr<StatusItem> createStatusItem() {
    return std::make_unique<FreedesktopStatusItem>(QDBusConnection::sessionBus());
}

} // namespace tallyglass
