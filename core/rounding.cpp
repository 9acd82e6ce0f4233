#include "rounding.h"

#include <cmath>
#include <limits>

namespace tallyglass {

std::optional<std::int64_t> roundHalfAwayFromZero(double value) {
    const double rounded = std::round(value);
    // 2^63 is exactly representable; anything at or beyond it (or NaN) would overflow.
    constexpr double limit = 9223372036854775808.0;
    if (!(rounded >= -limit && rounded < limit))
        return std::nullopt;
    return static_cast<std::int64_t>(rounded);
}

std::int64_t wholePercentage(double percentage) {
    if (auto rounded = roundHalfAwayFromZero(percentage))
        return *rounded;
    if (std::isnan(percentage))
        return 0;
    return percentage > 0 ? std::numeric_limits<std::int64_t>::max()
                          : std::numeric_limits<std::int64_t>::min();
}

std::string percentFigure(double percentage) {
    return std::to_string(wholePercentage(percentage)) + "%";
}

} // namespace tallyglass
