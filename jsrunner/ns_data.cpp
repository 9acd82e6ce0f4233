#include "bridge.h"
#include "foundation_classes.h"

#include <cstring>

namespace tallyglass::jsrunner {
namespace {

// `$.NSData.data`: empty bytes.
duk_ret_t emptyData(duk_context* ctx) {
    pushDataCopy(ctx, nullptr, 0);
    return 1;
}

} // namespace

void wrapBufferAsData(duk_context* ctx, duk_idx_t bufferIdx) {
    bufferIdx = duk_normalize_index(ctx, bufferIdx);
    pushInstance(ctx, "NSData");
    duk_dup(ctx, bufferIdx);
    duk_put_prop_string(ctx, -2, bytesKey);
    duk_replace(ctx, bufferIdx);
}

void pushDataCopy(duk_context* ctx, const void* bytes, std::size_t length) {
    void* copy = duk_push_fixed_buffer(ctx, length);
    if (length > 0)
        std::memcpy(copy, bytes, length);
    wrapBufferAsData(ctx, -1);
}

void installNSData(duk_context* ctx, duk_idx_t dollarIdx) {
    registerClass(ctx, "NSData", {});
    installClass(ctx, dollarIdx, "NSData", {{"data", emptyData}});
}

} // namespace tallyglass::jsrunner
