#include "fd_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace tallyglass::jsrunner {
namespace {

constexpr std::size_t initialReadSize = 16 * 1024;

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool closeChecked(int fd) {
    return ::close(fd) == 0 || errno == EINTR;
}

void takeIn(std::vector<PendingOutput>& outputs, int fd) {
    for (PendingOutput& output : outputs) {
        if (output.fd != fd)
            continue;
        char chunk[64 * 1024];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0)
            output.bytes.append(chunk, static_cast<std::size_t>(got));
        else if (got == 0 || (errno != EINTR && errno != EAGAIN))
            output.ended = true;
    }
}

// A write takes well under a second; a temporary file ten minutes old belongs to a run that
// was killed. Removing it from under a run that was merely stopped only fails that run's write.
constexpr time_t staleAfterSeconds = 10 * 60;

void removeStaleTemporaries(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const std::string folder = slash ? std::string(path, slash == path ? 1 : slash - path) : ".";
    const std::string prefix = std::string(slash ? slash + 1 : path) + ".tmp-";
    DIR* entries = ::opendir(folder.c_str());
    if (!entries)
        return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(entries)) {
        struct stat info {};
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0 &&
            ::fstatat(::dirfd(entries), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && now - info.st_mtime > staleAfterSeconds)
            ::unlinkat(::dirfd(entries), entry->d_name, 0);
    }
    ::closedir(entries);
}

} // namespace

bool pushReadToEnd(duk_context* ctx, int fd, std::string_view already) {
    std::size_t capacity = std::max(initialReadSize, already.size() * 2);
    std::size_t used = already.size();
    auto* bytes = static_cast<char*>(duk_push_dynamic_buffer(ctx, capacity));
    if (used > 0)
        std::memcpy(bytes, already.data(), used);
    for (;;) {
        if (used == capacity) {
            capacity *= 2;
            bytes = static_cast<char*>(duk_resize_buffer(ctx, -1, capacity));
        }
        const ssize_t got = ::read(fd, bytes + used, capacity - used);
        if (got > 0) {
            used += static_cast<std::size_t>(got);
        } else if (got == 0) {
            break;
        } else if (errno != EINTR) {
            duk_pop(ctx);
            return false;
        }
    }
    duk_resize_buffer(ctx, -1, used);
    return true;
}

bool writeAll(int fd, const void* bytes, std::size_t length) {
    const auto* next = static_cast<const char*>(bytes);
    while (length > 0) {
        const ssize_t put = ::write(fd, next, length);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        next += put;
        length -= static_cast<std::size_t>(put);
    }
    return true;
}

bool writeAllDraining(int fd, const void* bytes, std::size_t length,
                      std::vector<PendingOutput>& outputs) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (outputs.empty() || flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return writeAll(fd, bytes, length);
    const auto* next = static_cast<const char*>(bytes);
    bool failed = false;
    std::vector<pollfd> polled;
    while (length > 0 && !failed) {
        polled.assign(1, pollfd{fd, POLLOUT, 0});
        for (const PendingOutput& output : outputs)
            if (!output.ended)
                polled.push_back(pollfd{output.fd, POLLIN, 0});
        if (::poll(polled.data(), polled.size(), -1) < 0) {
            failed = errno != EINTR;
            continue;
        }
        for (std::size_t i = 1; i < polled.size(); ++i)
            if (polled[i].revents != 0)
                takeIn(outputs, polled[i].fd);
        if (polled[0].revents == 0)
            continue;
        const ssize_t put = ::write(fd, next, length);
        if (put >= 0) {
            next += put;
            length -= static_cast<std::size_t>(put);
        } else {
            failed = errno != EINTR && errno != EAGAIN;
        }
    }
    const int error = errno;
    ::fcntl(fd, F_SETFL, flags);
    errno = error;
    return !failed;
}

bool writeFileAtomically(const char* path, const void* bytes, std::size_t length) {
    char temporary[4096];
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        timespec now{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        const int nameLength = std::snprintf(temporary, sizeof temporary, "%s.tmp-%d-%lx", path,
                                             static_cast<int>(::getpid()),
                                             static_cast<unsigned long>(now.tv_nsec) + attempt);
        if (nameLength < 0 || static_cast<std::size_t>(nameLength) >= sizeof temporary)
            return false;
        fd = ::open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, newFileMode());
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes, length);
    if (!closeChecked(fd) || !written || ::rename(temporary, path) != 0) {
        ::unlink(temporary);
        return false;
    }
    removeStaleTemporaries(path);
    return true;
}

bool writeFileDirectly(const char* path, const void* bytes, std::size_t length) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes, length);
    return closeChecked(fd) && written;
}

int keepAboveStandardFds(int fd) {
    if (fd > 2)
        return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    return moved;
}

} // namespace tallyglass::jsrunner
