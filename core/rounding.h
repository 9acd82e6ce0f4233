#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tallyglass {

// Rounds to the nearest whole number, halves away from zero. None when the result does not
// fit a signed 64-bit integer (only a malformed file can hold such a value).
std::optional<std::int64_t> roundHalfAwayFromZero(double value);

// "43%", "0%", "-3%", "120%". A percentage too large for 64 bits reads as the nearest
// 64-bit bound, so the text stays short and defined.
std::string percentFigure(double percentage);

} // namespace tallyglass
