#pragma once

#include <QString>

namespace tallyglass {

// Where the program keeps what it must remember between runs: $XDG_STATE_HOME/tallyglass when
// that is an absolute path, else ~/.local/state/tallyglass. Not created here.
QString stateFolderPath();

} // namespace tallyglass
