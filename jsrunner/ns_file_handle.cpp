#include "bridge.h"
#include "fd_io.h"
#include "foundation_classes.h"

#include <cerrno>
#include <cstring>

namespace tallyglass::jsrunner {
namespace {

constexpr const char* ownedKey = DUK_HIDDEN_SYMBOL("owned");

int thisFd(duk_context* ctx) {
    duk_push_this(ctx);
    requireInstance(ctx, -1, "NSFileHandle");
    const int fd = fileHandleFd(ctx, -1);
    duk_pop(ctx);
    if (fd < 0)
        duk_error(ctx, DUK_ERR_ERROR, "file handle is closed");
    return fd;
}

duk_ret_t readDataToEndOfFile(duk_context* ctx) {
    const int fd = thisFd(ctx);
    std::string* already = nullptr;
    for (PendingOutput& output : runContext(ctx).pendingOutput)
        if (output.fd == fd)
            already = &output.bytes;
    if (!pushReadToEnd(ctx, fd, already ? std::string_view(*already) : std::string_view()))
        duk_error(ctx, DUK_ERR_ERROR, "readDataToEndOfFile: %s", std::strerror(errno));
    if (already)
        already->clear();
    wrapBufferAsData(ctx, -1);
    return 1;
}

duk_ret_t writeData(duk_context* ctx) {
    const int fd = thisFd(ctx);
    std::size_t length = 0;
    const unsigned char* bytes = requireDataBytes(ctx, 0, &length);
    if (!writeAllDraining(fd, bytes, length, runContext(ctx).pendingOutput))
        duk_error(ctx, DUK_ERR_ERROR, "writeData: %s", std::strerror(errno));
    return 0;
}

duk_ret_t closeFile(duk_context* ctx) {
    const int fd = thisFd(ctx);
    duk_push_this(ctx);
    duk_get_prop_string(ctx, -1, ownedKey);
    // The standard handles belong to whoever started the run; only the script's view closes.
    if (duk_get_boolean(ctx, -1))
        closeTrackedFd(ctx, fd);
    duk_pop(ctx);
    duk_push_int(ctx, -1);
    duk_put_prop_string(ctx, -2, fdKey);
    return 0;
}

duk_ret_t standardInput(duk_context* ctx) {
    pushFileHandle(ctx, runContext(ctx).stdinFd, false);
    return 1;
}

duk_ret_t standardOutput(duk_context* ctx) {
    pushFileHandle(ctx, runContext(ctx).stdoutFd, false);
    return 1;
}

} // namespace

void pushFileHandle(duk_context* ctx, int fd, bool owned) {
    pushInstance(ctx, "NSFileHandle");
    duk_push_int(ctx, fd);
    duk_put_prop_string(ctx, -2, fdKey);
    duk_push_boolean(ctx, owned);
    duk_put_prop_string(ctx, -2, ownedKey);
}

int fileHandleFd(duk_context* ctx, duk_idx_t idx) {
    duk_get_prop_string(ctx, idx, fdKey);
    const int fd = duk_get_int_default(ctx, -1, -1);
    duk_pop(ctx);
    return fd;
}

void installNSFileHandle(duk_context* ctx, duk_idx_t dollarIdx) {
    registerClass(ctx, "NSFileHandle",
                  {{"readDataToEndOfFile", readDataToEndOfFile},
                   {"writeData", writeData, 1},
                   {"closeFile", closeFile}});
    installClass(ctx, dollarIdx, "NSFileHandle",
                 {{"fileHandleWithStandardInput", standardInput},
                  {"fileHandleWithStandardOutput", standardOutput}});
}

} // namespace tallyglass::jsrunner
