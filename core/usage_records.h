#pragma once

#include <map>
#include <optional>
#include <string>

namespace tallyglass {

// One rate-limit window. Percentages are not clamped; instants are seconds since 1970 UTC.
struct UsageWindow {
    std::optional<double> usedPercentage;
    std::optional<double> resetsAt;
    std::optional<double> windowMinutes;

    friend bool operator==(const UsageWindow&, const UsageWindow&) = default;
};

// One reading of a source's limits, keyed by window key ("five_hour", "seven_day", ...).
struct UsageSnapshot {
    double updatedAt = 0;
    std::optional<std::string> model;
    std::optional<std::string> planType;
    std::map<std::string, UsageWindow> windows;

    friend bool operator==(const UsageSnapshot&, const UsageSnapshot&) = default;
};

// A window prepared for display; its identity is the key.
struct LabeledWindow {
    std::string key;
    std::string label;
    UsageWindow window;

    friend bool operator==(const LabeledWindow&, const LabeledWindow&) = default;
};

} // namespace tallyglass
