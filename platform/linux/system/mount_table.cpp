#include "platform/system/mount_table.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace tallyglass {

// The kernel marks the table for poll() after each change of it.
MountTable::MountTable()
    : m_fd(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC)) {}

MountTable::~MountTable() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool MountTable::changed() {
    pollfd polled{m_fd, POLLPRI, 0};
    return m_fd >= 0 && ::poll(&polled, 1, 0) > 0 && (polled.revents & (POLLERR | POLLPRI));
}

} // namespace tallyglass
