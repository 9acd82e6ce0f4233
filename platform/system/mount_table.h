#pragma once

namespace tallyglass {

// The system's table of mounts, asked whether it changed: a mount over a watched folder brings
// no change notice. Where it cannot be followed it never reports a change.
class MountTable {
public:
    MountTable();
    ~MountTable();
    MountTable(const MountTable&) = delete;
    MountTable& operator=(const MountTable&) = delete;

    // Whether it changed since it was opened or last asked.
    bool changed();

private:
    int m_fd = -1;
};

} // namespace tallyglass
