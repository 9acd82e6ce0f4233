#include "window_reset.h"

namespace tallyglass {

bool hasResetSince(const UsageWindow& window, double readingTime, double now) {
    return window.resetsAt && *window.resetsAt > readingTime && *window.resetsAt <= now;
}

std::vector<LabeledWindow> windowsAsOf(std::vector<LabeledWindow> windows, double readingTime,
                                       double now) {
    for (LabeledWindow& entry : windows) {
        if (!hasResetSince(entry.window, readingTime, now))
            continue;
        entry.window.usedPercentage = 0;
        entry.hasReset = true;
    }
    return windows;
}

} // namespace tallyglass
