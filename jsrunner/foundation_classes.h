#pragma once

#include <duktape.h>

#include <cstddef>

// The Foundation classes the bridge offers. Each install function puts its class object on
// the `$` object at dollarIdx; the push functions make instances for the other classes.
namespace tallyglass::jsrunner {

inline constexpr int utf8StringEncoding = 4;

void installNSData(duk_context* ctx, duk_idx_t dollarIdx);
void installNSString(duk_context* ctx, duk_idx_t dollarIdx);
void installNSFileHandle(duk_context* ctx, duk_idx_t dollarIdx);
void installNSFileManager(duk_context* ctx, duk_idx_t dollarIdx);
void installNSPipe(duk_context* ctx, duk_idx_t dollarIdx);
void installNSTask(duk_context* ctx, duk_idx_t dollarIdx);
void installNSDate(duk_context* ctx, duk_idx_t dollarIdx);
void installNSProcessInfo(duk_context* ctx, duk_idx_t dollarIdx);

// An NSData holding a copy of the buffer at bufferIdx, replacing it on the stack.
void wrapBufferAsData(duk_context* ctx, duk_idx_t bufferIdx);
void pushDataCopy(duk_context* ctx, const void* bytes, std::size_t length);
// An NSString holding the script string at idx.
void pushStringObject(duk_context* ctx, duk_idx_t stringIdx);
// A file handle for a descriptor; owned handles close their descriptor on closeFile.
void pushFileHandle(duk_context* ctx, int fd, bool owned);
int fileHandleFd(duk_context* ctx, duk_idx_t idx);
// The descriptors of a pipe object: the end the task reads (for its input) or writes.
int pipeReadFd(duk_context* ctx, duk_idx_t idx);
int pipeWriteFd(duk_context* ctx, duk_idx_t idx);
// Closes one end of the pipe at idx in this process, once a task holds it.
void closePipeEnd(duk_context* ctx, duk_idx_t idx, bool readingEnd);

} // namespace tallyglass::jsrunner
