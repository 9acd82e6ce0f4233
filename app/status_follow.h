#pragma once

#include "status_line.h"

#include "core/usage_model.h"

namespace tallyglass {

// Prints the source's line at start and again whenever it changes, as the program's own model
// reads the source at its refresh, until standard output has no reader any more (the bar
// quit): then returns 0, also while nothing changes. Needs a QCoreApplication.
int followSource(const SourceTable& sources, SourceId kind, LineFormat format);

} // namespace tallyglass
