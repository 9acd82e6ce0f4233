#pragma once

#include <QString>

namespace tallyglass {

// The Codex home folder: "CODEX_HOME" when set and not empty (a leading "~" or "~user"
// expanded, a relative path taken from the working directory), else ".codex" in the home
// directory. Evaluated anew at every call; whether it exists is not tested.
QString codexHome();

} // namespace tallyglass
