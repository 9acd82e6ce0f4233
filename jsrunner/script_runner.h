#pragma once

#include <string>
#include <string_view>

namespace tallyglass::jsrunner {

// Where a run reads and writes. The descriptors stay open after the run.
struct ScriptRun {
    int stdinFd = 0;
    int stdoutFd = 1;
    int stderrFd = 2;
    std::string homeDirectory;
};

// Runs a script through the Foundation bridge. Returns 0, or 1 after an uncaught error or a
// syntax error, which is reported as one line on stderrFd naming the script line. Nothing of
// the runner's own goes to stdoutFd. SIGPIPE must not end the caller (ignored, or as
// endChildGroupsWithRunner leaves it), so that a closed pipe is an error the script can catch.
int runScript(std::string_view source, const std::string& scriptName, const ScriptRun& run);
int runScriptFile(const std::string& path, const ScriptRun& run);

} // namespace tallyglass::jsrunner
