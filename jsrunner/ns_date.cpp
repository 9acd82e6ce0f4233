#include "bridge.h"
#include "foundation_classes.h"

#include <ctime>

namespace tallyglass::jsrunner {
namespace {

constexpr const char* secondsKey = DUK_HIDDEN_SYMBOL("seconds");

duk_ret_t date(duk_context* ctx) {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    pushInstance(ctx, "NSDate");
    duk_push_number(ctx, static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9);
    duk_put_prop_string(ctx, -2, secondsKey);
    return 1;
}

duk_ret_t timeIntervalSince1970(duk_context* ctx) {
    duk_push_this(ctx);
    requireInstance(ctx, -1, "NSDate");
    duk_get_prop_string(ctx, -1, secondsKey);
    return 1;
}

} // namespace

void installNSDate(duk_context* ctx, duk_idx_t dollarIdx) {
    registerClass(ctx, "NSDate", {{"timeIntervalSince1970", timeIntervalSince1970}});
    installClass(ctx, dollarIdx, "NSDate", {{"date", date}});
}

} // namespace tallyglass::jsrunner
