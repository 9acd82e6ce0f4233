#pragma once

#include <optional>

namespace tallyglass {

// How close a window is to its limit, judged on the percentage as stored: the panel's colours,
// and those of the lines for status bars.
enum class UsageTone { gray, green, orange, red };

UsageTone usageTone(std::optional<double> percentage);

} // namespace tallyglass
