#pragma once

#include "alert_memory.h"
#include "pace.h"
#include "source_id.h"
#include "usage_records.h"
#include "watch_preferences.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tallyglass {

// Something to tell the user about one window of one assistant.
struct UsageAlert {
    enum class Type {
        threshold, // the window crossed a warning threshold; percentage is the figure read
        reset,     // a window that had reached 100 % has reset
        pace,      // at the recent pace the window is full at fullAt, before it resets
    };
    Type type = Type::threshold;
    SourceId source;
    std::string label;
    double percentage = 0;
    std::optional<double> resetsAt;
    double fullAt = 0;

    friend bool operator==(const UsageAlert&, const UsageAlert&) = default;
};

// Decides what to tell the user as readings come in, and remembers per assistant and window
// what was said in the window's current period, and the readings the pace is judged from.
// That memory outlives the process in an AlertMemory, so a restart never says anything twice.
class UsageAlerts {
public:
    // Starts from what memory kept; without one, nothing is kept across a restart.
    explicit UsageAlerts(std::shared_ptr<AlertMemory> memory = nullptr);

    // What this reading of the source gives to say now; remembers it.
    std::vector<UsageAlert> observe(const SourceId& source, const UsageSnapshot& snapshot,
                                    double now, const WatchPreferences& preferences);

    // When the window reaches 100 % at the recent pace, when that is still ahead and before its
    // reset; none otherwise.
    std::optional<double> paceForecast(const SourceId& source, const std::string& key,
                                       const UsageWindow& window, double readingTime,
                                       double now) const;

    // Windows watched per reading, and periods remembered: a hostile reading with thousands
    // of windows must not grow the file without end.
    static constexpr std::size_t mostWindows = 16;
    static constexpr std::size_t mostPeriods = 64;

private:
    using Period = AlertPeriod;

    // Both return whether the memory changed. The second takes a reading of the window's
    // current period; about is the alert that would tell of it, of any type.
    bool observeWindow(const std::string& id, const LabeledWindow& entry, double readingTime,
                       double now, const WatchPreferences& preferences,
                       std::vector<UsageAlert>& alerts, const SourceId& source);
    bool observeInPeriod(Period& period, const UsageAlert& about, double readingTime, double now,
                         const WatchPreferences& preferences, std::vector<UsageAlert>& alerts);
    static std::optional<double> forecast(const Period& period, std::optional<double> resetsAt,
                                          double now);
    void save(double now);

    std::shared_ptr<AlertMemory> m_memory;
    AlertPeriods m_periods;
};

} // namespace tallyglass
