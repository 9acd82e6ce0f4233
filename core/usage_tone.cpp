#include "usage_tone.h"

#include <cmath>

namespace tallyglass {

UsageTone usageTone(std::optional<double> percentage) {
    if (!percentage || std::isnan(*percentage))
        return UsageTone::gray;
    if (*percentage < 70)
        return UsageTone::green;
    if (*percentage < 90)
        return UsageTone::orange;
    return UsageTone::red;
}

} // namespace tallyglass
