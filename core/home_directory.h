#pragma once

#include <string>

namespace tallyglass {

// The current user's home folder, as bytes, by one rule for the app and the script runner
// alike: $HOME when it is an absolute UTF-8 path, else the home of the user's password entry
// when that is one, else empty. Trailing slashes are dropped. Qt-free, so that the runner,
// which starts on every status-line update, can link it.
std::string homeDirectory();

} // namespace tallyglass
