#include "bridge.h"
#include "child_groups.h"
#include "foundation_classes.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace tallyglass::jsrunner {
namespace {

constexpr const char* launchPathKey = DUK_HIDDEN_SYMBOL("launchPath");
constexpr const char* argumentsKey = DUK_HIDDEN_SYMBOL("arguments");
constexpr const char* inputKey = DUK_HIDDEN_SYMBOL("standardInput");
constexpr const char* outputKey = DUK_HIDDEN_SYMBOL("standardOutput");
constexpr const char* pidKey = DUK_HIDDEN_SYMBOL("pid");

duk_ret_t storeOnThis(duk_context* ctx, const char* key) {
    duk_push_this(ctx);
    requireInstance(ctx, -1, "NSTask");
    duk_dup(ctx, 0);
    duk_put_prop_string(ctx, -2, key);
    return 0;
}

duk_ret_t setLaunchPath(duk_context* ctx) {
    if (!duk_is_string(ctx, 0) && !isInstance(ctx, 0, "NSString"))
        duk_error(ctx, DUK_ERR_TYPE_ERROR, "launchPath: string expected");
    return storeOnThis(ctx, launchPathKey);
}

duk_ret_t setArguments(duk_context* ctx) {
    if (!duk_is_array(ctx, 0))
        duk_error(ctx, DUK_ERR_TYPE_ERROR, "arguments: array expected");
    return storeOnThis(ctx, argumentsKey);
}

duk_ret_t setStandardInput(duk_context* ctx) {
    requireInstance(ctx, 0, "NSPipe");
    return storeOnThis(ctx, inputKey);
}

duk_ret_t setStandardOutput(duk_context* ctx) {
    requireInstance(ctx, 0, "NSPipe");
    return storeOnThis(ctx, outputKey);
}

// Builds argv on the stack: the launch path, then the arguments, as UTF-8.
char** pushArgv(duk_context* ctx, duk_idx_t taskIdx) {
    duk_get_prop_string(ctx, taskIdx, argumentsKey);
    const duk_size_t count = duk_is_array(ctx, -1) ? duk_get_length(ctx, -1) : 0;
    const duk_idx_t argumentsIdx = duk_get_top_index(ctx);
    duk_require_stack(ctx, static_cast<duk_idx_t>(count) + 4);
    auto** argv = static_cast<char**>(duk_push_fixed_buffer(ctx, (count + 2) * sizeof(char*)));
    std::size_t length = 0;
    duk_get_prop_string(ctx, taskIdx, launchPathKey);
    if (duk_is_undefined(ctx, -1))
        duk_error(ctx, DUK_ERR_ERROR, "launch: launchPath not set");
    argv[0] = const_cast<char*>(pushUtf8Argument(ctx, -1, &length));
    for (duk_size_t i = 0; i < count; ++i) {
        duk_get_prop_index(ctx, argumentsIdx, static_cast<duk_uarridx_t>(i));
        argv[i + 1] = const_cast<char*>(pushUtf8Argument(ctx, -1, &length));
    }
    argv[count + 1] = nullptr;
    return argv;
}

// The descriptor the child gets as `target`: a pipe end, or the run's own.
int childFd(duk_context* ctx, duk_idx_t taskIdx, const char* key, bool readingEnd, int own) {
    duk_get_prop_string(ctx, taskIdx, key);
    int fd = own;
    if (isInstance(ctx, -1, "NSPipe"))
        fd = readingEnd ? pipeReadFd(ctx, -1) : pipeWriteFd(ctx, -1);
    duk_pop(ctx);
    if (fd < 0)
        duk_error(ctx, DUK_ERR_ERROR, "launch: pipe end already closed");
    return fd;
}

// Spawns with the given standard descriptors, in a process group of its own that the runner
// ends when it is ended; SIGPIPE goes back to its default in the child.
int spawn(pid_t* pid, char** argv, const int (&fds)[3]) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    for (int target = 0; target < 3; ++target)
        if (fds[target] != target)
            posix_spawn_file_actions_adddup2(&actions, fds[target], target);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigset_t mask;
    sigemptyset(&mask);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &mask);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                              POSIX_SPAWN_SETPGROUP);
    // A signal between the spawn and remembering the group would leave the command behind.
    const sigset_t ending = endingSignals();
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &ending, &previous);
    const int result = posix_spawn(pid, argv[0], &actions, &attributes, argv, environ);
    if (result == 0)
        rememberChildGroup(*pid);
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

duk_ret_t launch(duk_context* ctx) {
    duk_push_this(ctx);
    requireInstance(ctx, -1, "NSTask");
    const duk_idx_t taskIdx = duk_get_top_index(ctx);
    if (duk_has_prop_string(ctx, taskIdx, pidKey))
        duk_error(ctx, DUK_ERR_ERROR, "launch: task already launched");
    const RunContext& run = runContext(ctx);
    const int fds[3] = {childFd(ctx, taskIdx, inputKey, true, run.stdinFd),
                        childFd(ctx, taskIdx, outputKey, false, run.stdoutFd), run.stderrFd};
    char** argv = pushArgv(ctx, taskIdx);
    pid_t pid = 0;
    const int result = spawn(&pid, argv, fds);
    if (result != 0)
        duk_error(ctx, DUK_ERR_ERROR, "launch: %s: %s", argv[0], std::strerror(result));
    duk_push_int(ctx, pid);
    duk_put_prop_string(ctx, taskIdx, pidKey);
    // The child holds its ends now; keeping them here would hide the end of its output.
    for (const auto& [key, readingEnd] : {std::pair{inputKey, true}, std::pair{outputKey, false}}) {
        duk_get_prop_string(ctx, taskIdx, key);
        if (isInstance(ctx, -1, "NSPipe"))
            closePipeEnd(ctx, -1, readingEnd);
        duk_pop(ctx);
    }
    return 0;
}

duk_ret_t waitUntilExit(duk_context* ctx) {
    duk_push_this(ctx);
    requireInstance(ctx, -1, "NSTask");
    duk_get_prop_string(ctx, -1, pidKey);
    if (!duk_is_number(ctx, -1))
        duk_error(ctx, DUK_ERR_ERROR, "waitUntilExit: task not launched");
    const pid_t pid = duk_get_int(ctx, -1);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return 0;
}

duk_ret_t init(duk_context* ctx) {
    requireThis(ctx, "NSTask.alloc");
    pushInstance(ctx, "NSTask");
    return 1;
}

duk_ret_t alloc(duk_context* ctx) {
    pushInstance(ctx, "NSTask.alloc");
    return 1;
}

} // namespace

void installNSTask(duk_context* ctx, duk_idx_t dollarIdx) {
    registerClass(ctx, "NSTask",
                  {{"launchPath", setLaunchPath, setterMember},
                   {"arguments", setArguments, setterMember},
                   {"standardInput", setStandardInput, setterMember},
                   {"standardOutput", setStandardOutput, setterMember},
                   {"launch", launch},
                   {"waitUntilExit", waitUntilExit}});
    registerClass(ctx, "NSTask.alloc", {{"init", init}});
    installClass(ctx, dollarIdx, "NSTask", {{"alloc", alloc}});
}

} // namespace tallyglass::jsrunner
