#include "bridge.h"
#include "foundation_classes.h"

#include <sys/stat.h>

namespace tallyglass::jsrunner {
namespace {

// Follows symbolic links, as the system's existence test does.
duk_ret_t fileExistsAtPath(duk_context* ctx) {
    requireThis(ctx, "NSFileManager");
    std::size_t length = 0;
    const char* path = pushUtf8Argument(ctx, 0, &length);
    struct stat info {};
    duk_push_boolean(ctx, ::stat(path, &info) == 0);
    return 1;
}

duk_ret_t defaultManager(duk_context* ctx) {
    pushInstance(ctx, "NSFileManager");
    return 1;
}

} // namespace

void installNSFileManager(duk_context* ctx, duk_idx_t dollarIdx) {
    registerClass(ctx, "NSFileManager", {{"fileExistsAtPath", fileExistsAtPath, 1}});
    installClass(ctx, dollarIdx, "NSFileManager", {{"defaultManager", defaultManager}});
}

} // namespace tallyglass::jsrunner
