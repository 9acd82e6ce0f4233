#pragma once

#include <string>
#include <string_view>

namespace tallyglass {

// Text to stand between double quotes in a shell command (and in a desktop entry's Exec,
// which quotes alike): `"`, `$`, a backtick and `\` get a backslash, so that no path can end
// the quotes or run anything.
std::string escapedForDoubleQuotes(std::string_view text);

} // namespace tallyglass
