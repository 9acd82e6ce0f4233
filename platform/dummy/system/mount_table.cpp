#include "platform/system/mount_table.h"

namespace tallyglass {

MountTable::MountTable() = default;
MountTable::~MountTable() = default;

// No table is followed, so none changes.
bool MountTable::changed() {
    return m_fd >= 0;
}

} // namespace tallyglass
