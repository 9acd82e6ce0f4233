#include "fd_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

bool pushReadToEnd(duk_context* ctx, int fd) {
    std::size_t capacity = initialReadSize;
    std::size_t used = 0;
    auto* bytes = static_cast<char*>(duk_push_dynamic_buffer(ctx, capacity));
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
