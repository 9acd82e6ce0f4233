#pragma once

#include <duktape.h>

#include <cstddef>

// Blocking file-descriptor work for the bridge classes.
namespace tallyglass::jsrunner {

// Reads fd to its end into a new buffer on the stack. False, with nothing pushed, on error.
bool pushReadToEnd(duk_context* ctx, int fd);
bool writeAll(int fd, const void* bytes, std::size_t length);
// Writes through a temporary file in the target's folder that then replaces the target, so a
// reader sees the whole earlier file or the whole new one. Leaves no temporary file behind.
bool writeFileAtomically(const char* path, const void* bytes, std::size_t length);
bool writeFileDirectly(const char* path, const void* bytes, std::size_t length);
// Moves a descriptor to 3 or above so it can never collide with the standard ones.
int keepAboveStandardFds(int fd);

} // namespace tallyglass::jsrunner
