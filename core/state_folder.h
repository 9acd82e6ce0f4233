#pragma once

#include <QString>

namespace tallyglass {

// Where the program keeps what it must remember between runs: "tallyglass" in stateDirectory();
// empty without a home. Not created here.
QString stateFolderPath();

} // namespace tallyglass
