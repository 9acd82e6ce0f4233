#pragma once

#include <string>

namespace tallyglass::jsrunner {

// The current user's home: $HOME when set and not empty, else the user's passwd entry, else
// "/". Trailing slashes are dropped, as the app's own home path has none.
std::string homeDirectory();

} // namespace tallyglass::jsrunner
