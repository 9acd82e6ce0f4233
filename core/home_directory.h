#pragma once

#include <string>

namespace tallyglass {

// The current user's home folder, as bytes, by one rule for the app and the script runner
// alike: $HOME when it is an absolute UTF-8 path, else the home of the user's password entry
// when that is one, else empty. Trailing slashes are dropped. Qt-free, so that the runner,
// which starts on every status-line update, can link it.
std::string homeDirectory();

// The user's configuration folder, for the program's setting and its autostart entry alike:
// $XDG_CONFIG_HOME when it is an absolute UTF-8 path (the XDG rule ignores relative ones),
// else ".config" in the home folder; empty without a home.
std::string configDirectory();

// The user's folder for what programs keep between runs, by the same rule: $XDG_STATE_HOME,
// else ".local/state" in the home folder; empty without a home.
std::string stateDirectory();

} // namespace tallyglass
