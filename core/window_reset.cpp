#include "window_reset.h"

namespace tallyglass {

bool hasResetSinceReading(const UsageWindow& window, double readingTime, double now) {
    return window.resetsAt && *window.resetsAt <= now && readingTime < *window.resetsAt;
}

} // namespace tallyglass
