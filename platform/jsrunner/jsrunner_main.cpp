#include "child_groups.h"
#include "core/home_directory.h"
#include "script_runner.h"

#include <cstring>
#include <iostream>

// Runs a statusline script the way the system's script runner does:
//     tallyglass-jsrunner -l JavaScript <script path>
int main(int argc, char* argv[]) {
    if (argc < 4 || std::strcmp(argv[1], "-l") != 0 || std::strcmp(argv[2], "JavaScript") != 0) {
        std::cerr << "usage: tallyglass-jsrunner -l JavaScript <script path>\n";
        return 2;
    }
    tallyglass::jsrunner::endChildGroupsWithRunner();
    tallyglass::jsrunner::ScriptRun run;
    run.homeDirectory = tallyglass::homeDirectory();
    return tallyglass::jsrunner::runScriptFile(argv[3], run);
}
