#include "bridge.h"

#include "core/utf8_text.h"
#include "foundation_classes.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace tallyglass::jsrunner {
namespace {

constexpr const char* contextKey = DUK_HIDDEN_SYMBOL("runContext");

void pushPrototypeKey(duk_context* ctx, const char* className) {
    duk_push_sprintf(ctx, "%sprototype:%s", DUK_HIDDEN_SYMBOL(""), className);
}

} // namespace

void attachRunContext(duk_context* ctx, RunContext* context) {
    duk_push_global_stash(ctx);
    duk_push_pointer(ctx, context);
    duk_put_prop_string(ctx, -2, contextKey);
    duk_pop(ctx);
}

RunContext& runContext(duk_context* ctx) {
    duk_push_global_stash(ctx);
    duk_get_prop_string(ctx, -1, contextKey);
    auto* context = static_cast<RunContext*>(duk_get_pointer(ctx, -1));
    duk_pop_2(ctx);
    return *context;
}

void trackFd(duk_context* ctx, int fd) {
    runContext(ctx).openFds.push_back(fd);
}

void closeTrackedFd(duk_context* ctx, int fd) {
    auto& fds = runContext(ctx).openFds;
    const auto found = std::find(fds.begin(), fds.end(), fd);
    if (found == fds.end())
        return;
    fds.erase(found);
    ::close(fd);
    auto& pending = runContext(ctx).pendingOutput;
    std::erase_if(pending, [fd](const PendingOutput& output) { return output.fd == fd; });
}

void registerPrototype(duk_context* ctx, const char* className) {
    // The prototype is the object on the top of the stack; it stays there.
    duk_push_global_stash(ctx);
    pushPrototypeKey(ctx, className);
    duk_dup(ctx, -3);
    duk_put_prop(ctx, -3);
    duk_pop(ctx);
}

void pushInstance(duk_context* ctx, const char* className) {
    duk_push_object(ctx);
    duk_push_global_stash(ctx);
    pushPrototypeKey(ctx, className);
    duk_get_prop(ctx, -2);
    duk_set_prototype(ctx, -3);
    duk_pop(ctx);
    duk_push_string(ctx, className);
    duk_put_prop_string(ctx, -2, classKey);
}

bool isInstance(duk_context* ctx, duk_idx_t idx, const char* className) {
    if (!duk_is_object(ctx, idx))
        return false;
    duk_get_prop_string(ctx, idx, classKey);
    const char* actual = duk_get_string(ctx, -1);
    const bool matches = actual && std::strcmp(actual, className) == 0;
    duk_pop(ctx);
    return matches;
}

void requireInstance(duk_context* ctx, duk_idx_t idx, const char* className) {
    if (!isInstance(ctx, idx, className))
        duk_error(ctx, DUK_ERR_TYPE_ERROR, "%s expected", className);
}

void requireThis(duk_context* ctx, const char* className) {
    duk_push_this(ctx);
    requireInstance(ctx, -1, className);
    duk_pop(ctx);
}

void pushNil(duk_context* ctx) {
    pushInstance(ctx, "nil");
}

void defineGetter(duk_context* ctx, duk_idx_t objIdx, const char* name, duk_c_function getter) {
    objIdx = duk_normalize_index(ctx, objIdx);
    duk_push_string(ctx, name);
    duk_push_c_function(ctx, getter, 0);
    duk_def_prop(ctx, objIdx, DUK_DEFPROP_HAVE_GETTER | DUK_DEFPROP_SET_ENUMERABLE);
}

void defineSetter(duk_context* ctx, duk_idx_t objIdx, const char* name, duk_c_function setter) {
    objIdx = duk_normalize_index(ctx, objIdx);
    duk_push_string(ctx, name);
    duk_push_c_function(ctx, setter, 1);
    duk_def_prop(ctx, objIdx, DUK_DEFPROP_HAVE_SETTER | DUK_DEFPROP_SET_ENUMERABLE);
}

void defineMethod(duk_context* ctx, duk_idx_t objIdx, const char* name, duk_c_function method,
                  duk_idx_t argumentCount) {
    objIdx = duk_normalize_index(ctx, objIdx);
    duk_push_c_function(ctx, method, argumentCount);
    duk_put_prop_string(ctx, objIdx, name);
}

namespace {

void pushObjectWith(duk_context* ctx, std::initializer_list<Member> members) {
    duk_push_object(ctx);
    for (const Member& member : members) {
        if (member.argumentCount == setterMember)
            defineSetter(ctx, -1, member.name, member.function);
        else if (member.argumentCount == 0)
            defineGetter(ctx, -1, member.name, member.function);
        else
            defineMethod(ctx, -1, member.name, member.function, member.argumentCount);
    }
}

} // namespace

void registerClass(duk_context* ctx, const char* className, std::initializer_list<Member> members) {
    pushObjectWith(ctx, members);
    registerPrototype(ctx, className);
    duk_pop(ctx);
}

void installClass(duk_context* ctx, duk_idx_t dollarIdx, const char* className,
                  std::initializer_list<Member> members) {
    dollarIdx = duk_normalize_index(ctx, dollarIdx);
    pushObjectWith(ctx, members);
    duk_put_prop_string(ctx, dollarIdx, className);
}

const char* pushUtf8Argument(duk_context* ctx, duk_idx_t idx, std::size_t* length) {
    idx = duk_normalize_index(ctx, idx);
    if (isInstance(ctx, idx, "NSString"))
        duk_get_prop_string(ctx, idx, textKey);
    else if (duk_is_string(ctx, idx))
        duk_dup(ctx, idx);
    else
        duk_error(ctx, DUK_ERR_TYPE_ERROR, "string expected");
    duk_size_t size = 0;
    const char* text = duk_get_lstring(ctx, -1, &size);
    auto* out = static_cast<unsigned char*>(duk_push_fixed_buffer(ctx, size + 1));
    std::memcpy(out, text, size);
    *length = internalToUtf8(out, size, out);
    out[*length] = '\0';
    duk_remove(ctx, -2);
    return reinterpret_cast<const char*>(out);
}

void requireUtf8Encoding(duk_context* ctx, duk_idx_t idx) {
    if (!duk_is_number(ctx, idx) || duk_get_int(ctx, idx) != utf8StringEncoding)
        duk_error(ctx, DUK_ERR_TYPE_ERROR, "only NSUTF8StringEncoding is supported");
}

const unsigned char* requireDataBytes(duk_context* ctx, duk_idx_t idx, std::size_t* length) {
    requireInstance(ctx, idx, "NSData");
    duk_get_prop_string(ctx, idx, bytesKey);
    duk_size_t size = 0;
    auto* bytes = static_cast<const unsigned char*>(duk_get_buffer_data(ctx, -1, &size));
    duk_pop(ctx); // the instance keeps the buffer alive
    *length = size;
    return bytes;
}

} // namespace tallyglass::jsrunner
