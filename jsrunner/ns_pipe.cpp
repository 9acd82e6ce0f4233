#include "bridge.h"
#include "fd_io.h"
#include "foundation_classes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tallyglass::jsrunner {
namespace {

constexpr const char* readingKey = DUK_HIDDEN_SYMBOL("reading");
constexpr const char* writingKey = DUK_HIDDEN_SYMBOL("writing");

duk_ret_t pipe(duk_context* ctx) {
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0)
        duk_error(ctx, DUK_ERR_ERROR, "pipe: %s", std::strerror(errno));
    fds[0] = keepAboveStandardFds(fds[0]);
    fds[1] = keepAboveStandardFds(fds[1]);
    if (fds[0] < 0 || fds[1] < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        duk_error(ctx, DUK_ERR_ERROR, "pipe: out of descriptors");
    }
    trackFd(ctx, fds[0]);
    trackFd(ctx, fds[1]);
    runContext(ctx).pendingOutput.push_back({fds[0], {}, false});
    pushInstance(ctx, "NSPipe");
    pushFileHandle(ctx, fds[0], true);
    duk_put_prop_string(ctx, -2, readingKey);
    pushFileHandle(ctx, fds[1], true);
    duk_put_prop_string(ctx, -2, writingKey);
    return 1;
}

duk_ret_t pushEnd(duk_context* ctx, const char* key) {
    duk_push_this(ctx);
    requireInstance(ctx, -1, "NSPipe");
    duk_get_prop_string(ctx, -1, key);
    return 1;
}

duk_ret_t fileHandleForReading(duk_context* ctx) {
    return pushEnd(ctx, readingKey);
}
duk_ret_t fileHandleForWriting(duk_context* ctx) {
    return pushEnd(ctx, writingKey);
}

int endFd(duk_context* ctx, duk_idx_t idx, const char* key) {
    duk_get_prop_string(ctx, idx, key);
    const int fd = fileHandleFd(ctx, -1);
    duk_pop(ctx);
    return fd;
}

} // namespace

int pipeReadFd(duk_context* ctx, duk_idx_t idx) {
    return endFd(ctx, idx, readingKey);
}
int pipeWriteFd(duk_context* ctx, duk_idx_t idx) {
    return endFd(ctx, idx, writingKey);
}

void closePipeEnd(duk_context* ctx, duk_idx_t idx, bool readingEnd) {
    duk_get_prop_string(ctx, idx, readingEnd ? readingKey : writingKey);
    closeTrackedFd(ctx, fileHandleFd(ctx, -1));
    duk_push_int(ctx, -1);
    duk_put_prop_string(ctx, -2, fdKey);
    duk_pop(ctx);
}

void installNSPipe(duk_context* ctx, duk_idx_t dollarIdx) {
    registerClass(ctx, "NSPipe",
                  {{"fileHandleForReading", fileHandleForReading},
                   {"fileHandleForWriting", fileHandleForWriting}});
    installClass(ctx, dollarIdx, "NSPipe", {{"pipe", pipe}});
}

} // namespace tallyglass::jsrunner
