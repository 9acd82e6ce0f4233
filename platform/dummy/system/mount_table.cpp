#include "platform/system/mount_table.h"

namespace tallyglass {

MountTable::MountTable() = default;
MountTable::~MountTable() = default;

bool MountTable::changed() {
    return false;
}

} // namespace tallyglass
