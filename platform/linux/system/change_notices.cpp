#include "platform/system/change_notices.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace tallyglass {
namespace {

constexpr std::uint32_t nameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                     IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

// NFS, SMB and CIFS, 9p, FUSE (sshfs, virtiofs, bindfs and the like), Ceph, AFS, Coda, GFS2,
// OCFS2 and Lustre: changes made on another machine, the other side of a FUSE daemon or the
// host of a virtual machine bring no notices.
bool reliable(const struct statfs& system) {
    constexpr std::array<unsigned long, 13> remote = {
        0x6969,     0x517B,     0xFF534D42, 0xFE534D42, 0x01021997, 0x65735546, 0x00C36400,
        0x5346414F, 0x6B414653, 0x73757245, 0x01161970, 0x7461636F, 0x0BD00BD0};
    return std::find(remote.begin(), remote.end(), static_cast<unsigned long>(system.f_type)) ==
           remote.end();
}

} // namespace

ChangeNotices::~ChangeNotices() {
    close();
}

bool ChangeNotices::open() {
    if (m_fd < 0)
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    return m_fd >= 0;
}

void ChangeNotices::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int ChangeNotices::watch(const std::string& path, Scope scope, bool followLink) {
    const std::uint32_t events =
        (scope == Scope::withWrites ? nameEvents | IN_MODIFY : nameEvents) |
        (followLink ? 0 : IN_DONT_FOLLOW);
    return ::inotify_add_watch(m_fd, path.c_str(), events);
}

void ChangeNotices::unwatch(int watch) {
    ::inotify_rm_watch(m_fd, watch);
}

bool ChangeNotices::drain(const std::function<void(const Notice&)>& onNotice) {
    if (m_fd < 0)
        return true;
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length <= 0)
            return length == 0 || errno == EAGAIN;
        for (ssize_t at = 0; at < length;) {
            const auto& event = *reinterpret_cast<const inotify_event*>(buffer + at);
            if (event.mask & IN_Q_OVERFLOW)
                return false;
            onNotice({event.wd, event.len ? event.name : "", bool(event.mask & IN_ISDIR),
                      bool(event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)),
                      bool(event.mask & (IN_MODIFY | IN_ATTRIB))});
            at += ssize_t(sizeof(inotify_event) + event.len);
        }
    }
}

bool bringsChangeNotices(const std::string& path) {
    struct statfs system {};
    return ::statfs(path.c_str(), &system) != 0 || reliable(system);
}

bool bringsChangeNotices(int fd) {
    struct statfs system {};
    return ::fstatfs(fd, &system) != 0 || reliable(system);
}

} // namespace tallyglass
