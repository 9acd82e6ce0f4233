#include "bridge.h"
#include "foundation_classes.h"

#include <cstdlib>

namespace tallyglass::jsrunner {
namespace {

// `$.NSProcessInfo.processInfo.environment.objectForKey(name)`: the variable as an NSString,
// nil when it is not set. Only this lookup is offered; the helper needs nothing else.
duk_ret_t processInfo(duk_context* ctx) {
    pushInstance(ctx, "NSProcessInfo");
    return 1;
}

duk_ret_t environment(duk_context* ctx) {
    requireThis(ctx, "NSProcessInfo");
    pushInstance(ctx, "NSDictionary");
    return 1;
}

duk_ret_t objectForKey(duk_context* ctx) {
    requireThis(ctx, "NSDictionary");
    std::size_t length = 0;
    const char* name = pushUtf8Argument(ctx, 0, &length);
    const char* value = std::getenv(name);
    if (!value) {
        pushNil(ctx);
        return 1;
    }
    duk_push_string(ctx, value);
    pushStringObject(ctx, -1);
    return 1;
}

} // namespace

void installNSProcessInfo(duk_context* ctx, duk_idx_t dollarIdx) {
    registerClass(ctx, "NSDictionary", {{"objectForKey", objectForKey, 1}});
    registerClass(ctx, "NSProcessInfo", {{"environment", environment}});
    installClass(ctx, dollarIdx, "NSProcessInfo", {{"processInfo", processInfo}});
}

} // namespace tallyglass::jsrunner
