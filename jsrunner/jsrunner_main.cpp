#include "child_groups.h"
#include "core/home_directory.h"
#include "script_runner.h"

#include <cstring>
#include <iostream>

namespace {

constexpr const char* usage = "usage: tallyglass-jsrunner -l JavaScript <script path>\n";

bool is(const char* argument, const char* option) {
    return std::strcmp(argument, option) == 0;
}

} // namespace

// Runs a statusline script the way the system's script runner does:
//     tallyglass-jsrunner -l JavaScript <script path>
int main(int argc, char* argv[]) {
    if (argc == 2 && (is(argv[1], "--help") || is(argv[1], "-h"))) {
        std::cout << usage
                  << "Runs the statusline helper that Tallyglass installs for Claude Code.\n"
                     "See tallyglass-jsrunner(1).\n";
        return 0;
    }
    if (argc == 2 && is(argv[1], "--version")) {
        std::cout << "tallyglass-jsrunner " TALLYGLASS_VERSION "\n";
        return 0;
    }
    if (argc < 4 || !is(argv[1], "-l") || !is(argv[2], "JavaScript")) {
        // One line: Claude Code may show it in place of the status line.
        std::cerr << usage;
        return 2;
    }
    tallyglass::jsrunner::endChildGroupsWithRunner();
    tallyglass::jsrunner::ScriptRun run;
    run.homeDirectory = tallyglass::homeDirectory();
    return tallyglass::jsrunner::runScriptFile(argv[3], run);
}
