#pragma once

#include "usage_records.h"

#include <vector>

namespace tallyglass {

// Whether the window's counter has restarted since a reading taken at readingTime: its reset
// instant came after the reading and is not later than now. The assistants restart their
// counters then, and a reading taken before says nothing of the use since.
bool hasResetSince(const UsageWindow& window, double readingTime, double now);

// The windows as they stand at now: each that has reset since the reading shows 0 % and is
// marked as reset; the others are unchanged.
std::vector<LabeledWindow> windowsAsOf(std::vector<LabeledWindow> windows, double readingTime,
                                       double now);

} // namespace tallyglass
