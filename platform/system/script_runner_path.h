#pragma once

#include <QString>

namespace tallyglass {

// The script runner the helper command names, as this build lays the programs out.
QString scriptRunnerPath();

} // namespace tallyglass
