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

std::string percentFigure(double percentage) {
    std::int64_t whole = 0;
    if (auto rounded = roundHalfAwayFromZero(percentage))
        whole = *rounded;
    else if (std::isnan(percentage))
        whole = 0;
    else
        whole = percentage > 0 ? std::numeric_limits<std::int64_t>::max()
                               : std::numeric_limits<std::int64_t>::min();
    return std::to_string(whole) + "%";
}

} // namespace tallyglass
