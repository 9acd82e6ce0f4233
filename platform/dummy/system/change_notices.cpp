#include "platform/system/change_notices.h"

#include <cerrno>

// No change notices: the folders are walked at every look.
namespace tallyglass {

ChangeNotices::~ChangeNotices() = default;

bool ChangeNotices::open() {
    return m_fd >= 0; // never opened
}

void ChangeNotices::close() {}

int ChangeNotices::watch(const std::string&, Scope, bool) {
    errno = ENOSYS;
    return -1;
}

void ChangeNotices::unwatch(int) {}

bool ChangeNotices::drain(const std::function<void(const Notice&)>&) {
    return true;
}

bool bringsChangeNotices(const std::string&) {
    return false;
}

bool bringsChangeNotices(int) {
    return false;
}

} // namespace tallyglass
