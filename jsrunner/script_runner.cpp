#include "script_runner.h"

#include "bridge.h"
#include "fd_io.h"
#include "objc_bridge.h"

#include "core/regular_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tallyglass::jsrunner {
namespace {

constexpr std::size_t maximumReportLength = 1000;
// Far beyond any statusline script; Duktape would need many times this to compile it.
constexpr std::size_t maximumScriptBytes = 64 * 1024 * 1024;

void fatal(void*, const char* message) {
    const char prefix[] = "tallyglass-jsrunner: fatal: ";
    (void)!::write(STDERR_FILENO, prefix, sizeof prefix - 1);
    (void)!::write(STDERR_FILENO, message, std::strlen(message));
    (void)!::write(STDERR_FILENO, "\n", 1);
    std::abort();
}

// Called on every throw: remembers the script line it came from, so that an uncaught value
// of any kind can be reported with its line. Frames of native functions have no line.
duk_ret_t rememberThrowLine(duk_context* ctx) {
    for (duk_int_t level = -1;; --level) {
        duk_inspect_callstack_entry(ctx, level);
        if (duk_is_undefined(ctx, -1)) {
            duk_pop(ctx);
            break;
        }
        duk_get_prop_string(ctx, -1, "lineNumber");
        const int line = duk_get_int(ctx, -1);
        duk_pop_2(ctx);
        if (line > 0) {
            runContext(ctx).lastThrowLine = line;
            break;
        }
    }
    return 1; // the error value itself, unchanged
}

void installThrowHook(duk_context* ctx) {
    duk_get_global_string(ctx, "Duktape");
    duk_push_c_function(ctx, rememberThrowLine, 1);
    duk_put_prop_string(ctx, -2, "errThrow");
    duk_pop(ctx);
}

void report(const ScriptRun& run, const std::string& scriptName, int line, std::string message) {
    for (char& c : message)
        if (c == '\n' || c == '\r')
            c = ' ';
    if (message.size() > maximumReportLength)
        message.resize(maximumReportLength);
    std::string text = scriptName;
    if (line > 0)
        text += ':' + std::to_string(line);
    text += ": " + message + '\n';
    writeAll(run.stderrFd, text.data(), text.size());
}

int lineOf(duk_context* ctx, duk_idx_t errorIdx) {
    if (!duk_is_error(ctx, errorIdx))
        return 0;
    duk_get_prop_string(ctx, errorIdx, "lineNumber");
    const int line = duk_get_int(ctx, -1);
    duk_pop(ctx);
    return line;
}

void closeLeftovers(RunContext& context) {
    for (int fd : context.openFds)
        ::close(fd);
    context.openFds.clear();
    context.pendingOutput.clear();
}

} // namespace

int runScript(std::string_view source, const std::string& scriptName, const ScriptRun& run) {
    RunContext context{run.stdinFd, run.stdoutFd, run.stderrFd, run.homeDirectory, {}, 0, {}};
    duk_context* ctx = duk_create_heap(nullptr, nullptr, nullptr, nullptr, fatal);
    if (!ctx)
        return 1;
    attachRunContext(ctx, &context);
    installThrowHook(ctx);
    installObjCBridge(ctx);

    int status = 0;
    duk_push_lstring(ctx, scriptName.data(), scriptName.size());
    if (duk_pcompile_lstring_filename(ctx, DUK_COMPILE_SHEBANG, source.data(), source.size()) !=
        0) {
        // A syntax error carries the line it was found on.
        const int line = lineOf(ctx, -1);
        report(run, scriptName, line, duk_safe_to_string(ctx, -1));
        status = 1;
    } else if (duk_pcall(ctx, 0) != 0) {
        report(run, scriptName, context.lastThrowLine, duk_safe_to_string(ctx, -1));
        status = 1;
    }
    duk_destroy_heap(ctx);
    closeLeftovers(context);
    return status;
}

int runScriptFile(const std::string& path, const ScriptRun& run) {
    // Read whole and closed before the script runs, so that no command it starts inherits it;
    // a FIFO in the script's place is refused rather than waited on.
    RegularFileRead script = readRegularFile(path.c_str(), maximumScriptBytes);
    if (script.status != RegularFileRead::Status::read) {
        const int error = errno;
        report(run, path, 0,
               std::string("cannot read the script: ") +
                   (script.status == RegularFileRead::Status::absent ? std::strerror(ENOENT)
                    : error == EINVAL                                ? "not a regular file"
                                                                     : std::strerror(error)));
        return 1;
    }
    return runScript(script.bytes, path, run);
}

} // namespace tallyglass::jsrunner
