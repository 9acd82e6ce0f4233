#include "objc_bridge.h"

#include "bridge.h"
#include "foundation_classes.h"

#include <cstring>

namespace tallyglass::jsrunner {
namespace {

duk_ret_t homeDirectory(duk_context* ctx) {
    const std::string& home = runContext(ctx).homeDirectory;
    duk_push_lstring(ctx, home.data(), home.size());
    pushStringObject(ctx, -1);
    return 1;
}

void installFoundation(duk_context* ctx) {
    duk_get_global_string(ctx, "$");
    installNSData(ctx, -1);
    installNSString(ctx, -1);
    installNSFileHandle(ctx, -1);
    installNSFileManager(ctx, -1);
    installNSPipe(ctx, -1);
    installNSTask(ctx, -1);
    installNSDate(ctx, -1);
    installNSProcessInfo(ctx, -1);
    defineMethod(ctx, -1, "NSHomeDirectory", homeDirectory, 0);
    duk_push_int(ctx, utf8StringEncoding);
    duk_put_prop_string(ctx, -2, "NSUTF8StringEncoding");
    duk_pop(ctx);
}

duk_ret_t import(duk_context* ctx) {
    const char* framework = duk_require_string(ctx, 0);
    if (std::strcmp(framework, "Foundation") != 0)
        duk_error(ctx, DUK_ERR_ERROR, "ObjC.import: no framework named '%s'", framework);
    installFoundation(ctx);
    return 0;
}

duk_ret_t unwrap(duk_context* ctx) {
    if (isInstance(ctx, 0, "NSString"))
        duk_get_prop_string(ctx, 0, textKey);
    else if (isInstance(ctx, 0, "nil"))
        duk_push_undefined(ctx);
    else
        duk_dup(ctx, 0);
    return 1;
}

// `$(text)`: the text as an NSString.
duk_ret_t wrap(duk_context* ctx) {
    duk_require_string(ctx, 0);
    pushStringObject(ctx, 0);
    return 1;
}

} // namespace

void installObjCBridge(duk_context* ctx) {
    duk_push_object(ctx);
    registerPrototype(ctx, "nil");
    duk_pop(ctx);

    duk_push_object(ctx);
    defineMethod(ctx, -1, "import", import, 1);
    defineMethod(ctx, -1, "unwrap", unwrap, 1);
    duk_put_global_string(ctx, "ObjC");

    duk_push_c_function(ctx, wrap, 1);
    duk_put_global_string(ctx, "$");
}

} // namespace tallyglass::jsrunner
