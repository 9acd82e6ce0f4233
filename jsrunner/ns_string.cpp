#include "bridge.h"
#include "core/regular_file.h"
#include "core/utf8_text.h"
#include "fd_io.h"
#include "foundation_classes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace tallyglass::jsrunner {
namespace {

// Replaces the bytes at idx with an NSString when they are UTF-8, with nil otherwise.
void replaceBytesWithString(duk_context* ctx, duk_idx_t idx) {
    idx = duk_normalize_index(ctx, idx);
    duk_size_t length = 0;
    const auto* bytes = static_cast<const unsigned char*>(duk_get_buffer_data(ctx, idx, &length));
    if (length > 0 && !isValidUtf8(bytes, length)) {
        pushNil(ctx);
    } else {
        duk_push_lstring(ctx, reinterpret_cast<const char*>(bytes), length);
        pushStringObject(ctx, -1);
        duk_remove(ctx, -2);
    }
    duk_replace(ctx, idx);
}

// `$.NSString.alloc.initWithDataEncoding(data, encoding)`
duk_ret_t initWithDataEncoding(duk_context* ctx) {
    requireThis(ctx, "NSString.alloc");
    requireInstance(ctx, 0, "NSData");
    requireUtf8Encoding(ctx, 1);
    duk_get_prop_string(ctx, 0, bytesKey);
    replaceBytesWithString(ctx, -1);
    return 1;
}

duk_ret_t alloc(duk_context* ctx) {
    pushInstance(ctx, "NSString.alloc");
    return 1;
}

// `$.NSString.stringWithContentsOfFileEncodingError(path, encoding, null)`: nil when the
// file cannot be read or is not UTF-8.
duk_ret_t stringWithContentsOfFileEncodingError(duk_context* ctx) {
    requireUtf8Encoding(ctx, 1);
    std::size_t length = 0;
    const char* path = pushUtf8Argument(ctx, 0, &length);
    // Only regular files: reading a pipe could wait for ever.
    struct stat info {};
    const int fd = openRegularFile(path, &info);
    if (fd < 0) {
        pushNil(ctx);
        return 1;
    }
    const bool read = pushReadToEnd(ctx, fd);
    ::close(fd);
    if (!read) {
        pushNil(ctx);
        return 1;
    }
    replaceBytesWithString(ctx, -1);
    return 1;
}

// Pushes the UTF-8 bytes of `this`.
const char* pushThisUtf8(duk_context* ctx, std::size_t* length) {
    duk_push_this(ctx);
    requireInstance(ctx, -1, "NSString");
    const char* bytes = pushUtf8Argument(ctx, -1, length);
    duk_remove(ctx, -2);
    return bytes;
}

duk_ret_t dataUsingEncoding(duk_context* ctx) {
    requireUtf8Encoding(ctx, 0);
    std::size_t length = 0;
    const char* bytes = pushThisUtf8(ctx, &length);
    pushDataCopy(ctx, bytes, length);
    return 1;
}

// `text.writeToFileAtomicallyEncodingError(path, atomically, encoding, null)`: a Boolean.
duk_ret_t writeToFileAtomicallyEncodingError(duk_context* ctx) {
    requireUtf8Encoding(ctx, 2);
    const bool atomically = duk_to_boolean(ctx, 1);
    std::size_t pathLength = 0;
    const char* path = pushUtf8Argument(ctx, 0, &pathLength);
    std::size_t length = 0;
    const char* bytes = pushThisUtf8(ctx, &length);
    // Not synced: it runs on every status-line update, and a snapshot lost in a crash is
    // written again at the next.
    const bool written = atomically ? writeFileAtomically(path, std::string_view(bytes, length),
                                                          AtomicWrite{nullptr, false, nullptr}) ==
                                          WriteResult::written
                                    : writeFileDirectly(path, bytes, length);
    duk_push_boolean(ctx, written);
    return 1;
}

} // namespace

void pushStringObject(duk_context* ctx, duk_idx_t stringIdx) {
    stringIdx = duk_normalize_index(ctx, stringIdx);
    pushInstance(ctx, "NSString");
    duk_dup(ctx, stringIdx);
    duk_put_prop_string(ctx, -2, textKey);
}

void installNSString(duk_context* ctx, duk_idx_t dollarIdx) {
    registerClass(ctx, "NSString",
                  {{"dataUsingEncoding", dataUsingEncoding, 1},
                   {"writeToFileAtomicallyEncodingError", writeToFileAtomicallyEncodingError, 4}});
    registerClass(ctx, "NSString.alloc", {{"initWithDataEncoding", initWithDataEncoding, 2}});
    installClass(
        ctx, dollarIdx, "NSString",
        {{"alloc", alloc},
         {"stringWithContentsOfFileEncodingError", stringWithContentsOfFileEncodingError, 3}});
}

} // namespace tallyglass::jsrunner
