#pragma once

#include <optional>

namespace tallyglass {

// Handles what the command line asks for that needs no display: --help, --version,
// --remove-helper and mistakes. The exit status when the program is done; none when it is to
// start as usual. Must run before any QGuiApplication exists, since that needs a display.
std::optional<int> runCommandLine(int argc, char* argv[]);

} // namespace tallyglass
