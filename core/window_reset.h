#pragma once

#include "usage_records.h"

namespace tallyglass {

// Whether the window has reset since the reading that holds it was made: its reset time has
// passed, and the reading is older than that time. Its figures then belong to a finished period.
bool hasResetSinceReading(const UsageWindow& window, double readingTime, double now);

} // namespace tallyglass
