#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tallyglass {

// Rounds to the nearest whole number, halves away from zero. None when the result does not
// fit a signed 64-bit integer (only a malformed file can hold such a value).
std::optional<std::int64_t> roundHalfAwayFromZero(double value);

// The percentage as a whole number; one too large for 64 bits reads as the nearest 64-bit
// bound, so its text stays short and defined.
std::int64_t wholePercentage(double percentage);

// "43%", "0%", "-3%", "120%".
std::string percentFigure(double percentage);

} // namespace tallyglass
