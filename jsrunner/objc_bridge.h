#pragma once

#include <duktape.h>

namespace tallyglass::jsrunner {

// Puts the bridge's globals in place: `ObjC` with import and unwrap, and `$`, which wraps a
// string as an NSString and, after ObjC.import('Foundation'), holds the Foundation classes,
// NSHomeDirectory() and NSUTF8StringEncoding.
void installObjCBridge(duk_context* ctx);

} // namespace tallyglass::jsrunner
