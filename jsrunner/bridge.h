#pragma once

#include "fd_io.h"

#include <duktape.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

// Helpers shared by the Foundation bridge classes. Bridge objects are plain script objects
// tagged with their class name and carrying their state in hidden properties.
//
// Duktape raises script errors with longjmp, so functions called from scripts keep no live
// C++ objects with destructors across a call that may throw; their memory is Duktape's own.
namespace tallyglass::jsrunner {

// Hidden properties of bridge objects.
inline constexpr const char* classKey = DUK_HIDDEN_SYMBOL("class");
inline constexpr const char* textKey = DUK_HIDDEN_SYMBOL("text");
inline constexpr const char* bytesKey = DUK_HIDDEN_SYMBOL("bytes");
inline constexpr const char* fdKey = DUK_HIDDEN_SYMBOL("fd");

// What one run of a script may touch.
struct RunContext {
    int stdinFd = 0;
    int stdoutFd = 1;
    int stderrFd = 2;
    std::string homeDirectory;
    // Pipe ends opened by the script; whatever it leaves open is closed when the run ends.
    std::vector<int> openFds;
    // The script line of the most recent throw, for the report of an uncaught error.
    int lastThrowLine = 0;
    // The reading ends of the script's pipes, with what arrived while the run wrote elsewhere.
    std::vector<PendingOutput> pendingOutput;
};

void attachRunContext(duk_context* ctx, RunContext* context);
RunContext& runContext(duk_context* ctx);

void closeTrackedFd(duk_context* ctx, int fd);
void trackFd(duk_context* ctx, int fd);

// Classes: a prototype per class, kept in the stash.
void registerPrototype(duk_context* ctx, const char* className);
void pushInstance(duk_context* ctx, const char* className);
bool isInstance(duk_context* ctx, duk_idx_t idx, const char* className);
// Throw a TypeError unless the value at idx, or `this`, is an instance of the class.
void requireInstance(duk_context* ctx, duk_idx_t idx, const char* className);
void requireThis(duk_context* ctx, const char* className);

// The bridge's stand-in for a nil result.
void pushNil(duk_context* ctx);

// Property definitions on the object at objIdx. A zero-argument selector is a getter that
// performs the call, as the bridge spells it: `handle.readDataToEndOfFile`.
void defineGetter(duk_context* ctx, duk_idx_t objIdx, const char* name, duk_c_function getter);
void defineSetter(duk_context* ctx, duk_idx_t objIdx, const char* name, duk_c_function setter);
void defineMethod(duk_context* ctx, duk_idx_t objIdx, const char* name, duk_c_function method,
                  duk_idx_t argumentCount);

// One member of a bridged class or of its instances: a getter (argumentCount 0), a setter
// (argumentCount -1) or a method taking argumentCount arguments.
struct Member {
    const char* name;
    duk_c_function function;
    duk_idx_t argumentCount = 0;
};
inline constexpr duk_idx_t setterMember = -1;

// Registers the prototype of className's instances with these members.
void registerClass(duk_context* ctx, const char* className, std::initializer_list<Member> members);
// Puts the class object className, with these class members, on `$` at dollarIdx.
void installClass(duk_context* ctx, duk_idx_t dollarIdx, const char* className,
                  std::initializer_list<Member> members);

// Text arguments: a script string or an NSString. Pushes the UTF-8 bytes of the text as a
// buffer and returns them (NUL-terminated, for use as a path).
const char* pushUtf8Argument(duk_context* ctx, duk_idx_t idx, std::size_t* length);
void requireUtf8Encoding(duk_context* ctx, duk_idx_t idx);

// Takes the bytes of the NSData at idx.
const unsigned char* requireDataBytes(duk_context* ctx, duk_idx_t idx, std::size_t* length);

} // namespace tallyglass::jsrunner
