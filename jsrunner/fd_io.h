#pragma once

#include <duktape.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Blocking file-descriptor work for the bridge classes.
namespace tallyglass::jsrunner {

// Output of a pipe the run reads, taken in early while the run writes elsewhere.
struct PendingOutput {
    int fd = -1;
    std::string bytes;
    bool ended = false;
};

// Reads fd to its end into a new buffer on the stack, after the bytes already taken from it.
// False, with nothing pushed, on error.
bool pushReadToEnd(duk_context* ctx, int fd, std::string_view already = {});
bool writeAll(int fd, const void* bytes, std::size_t length);
// Writes all bytes to fd while taking in whatever arrives on the outputs: a command that prints
// before it reads its input would otherwise block the run and itself for ever.
bool writeAllDraining(int fd, const void* bytes, std::size_t length,
                      std::vector<PendingOutput>& outputs);
bool writeFileDirectly(const char* path, const void* bytes, std::size_t length);
// Moves a descriptor to 3 or above so it can never collide with the standard ones.
int keepAboveStandardFds(int fd);

} // namespace tallyglass::jsrunner
