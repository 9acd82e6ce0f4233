#include "fd_io.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

#include <cerrno>
#include <cstring>

namespace tallyglass::jsrunner {
namespace {

constexpr std::size_t initialReadSize = 16 * 1024;

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
