#pragma once

#include <vector>

namespace tallyglass {

// What the user asked to be told beyond the watched assistant's rows: warnings near a limit
// and after a reset, the pace, and both assistants in the tray.
struct WatchPreferences {
    bool warnings = true;
    // Ascending whole percentages from 1 to 100, no repeats.
    std::vector<int> thresholds{80, 95};
    bool pace = true;
    bool bothInTray = false;

    // Whether the assistant the panel does not show must be read too.
    bool watchesBothSources() const { return warnings || pace || bothInTray; }

    friend bool operator==(const WatchPreferences&, const WatchPreferences&) = default;
};

inline constexpr std::size_t mostThresholds = 4;

// Sorted, without repeats, each within 1 to 100, at most mostThresholds.
std::vector<int> cleanThresholds(std::vector<int> thresholds);

// From the user defaults; what is missing or unusable there keeps its default.
WatchPreferences loadWatchPreferences();
void storeWatchPreferences(const WatchPreferences& preferences);

} // namespace tallyglass
