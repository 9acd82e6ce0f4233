#pragma once

#include <optional>
#include <vector>

namespace tallyglass {

// One figure of a window as read at a moment (seconds since 1970).
struct PaceReading {
    double at = 0;
    double percentage = 0;

    friend bool operator==(const PaceReading&, const PaceReading&) = default;
};

// When the window reaches 100 % if it keeps the recent pace, from readings of one period in
// time order. None from fewer than two readings, from less than ten minutes of history, from
// a flat or falling figure, or when the window is already full.
std::optional<double> paceForecast(const std::vector<PaceReading>& readings);

// Adds a reading to a period's history, keeping it short: readings closer together than a
// minute replace the newest, and past the limit the oldest go. Older or repeated readings are
// ignored. True when the history grew (worth remembering), false when it only moved or not.
bool addPaceReading(std::vector<PaceReading>& readings, PaceReading reading);

inline constexpr std::size_t mostPaceReadings = 64;

} // namespace tallyglass
