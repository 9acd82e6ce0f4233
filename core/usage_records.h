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
    // The display name of the limit family the window belongs to when that is not the
    // account's own (a model with limits of its own): such windows are listed after the
    // others under this name and never enter the summary.
    std::optional<std::string> family = {};

    friend bool operator==(const UsageWindow&, const UsageWindow&) = default;
};

// A figure further than this from zero is no share of a window but a fault of the writer (a
// Unix time in the percentage field has been seen): the window keeps no percentage.
inline constexpr double largestUsedPercentage = 1000;

inline std::optional<double> plausiblePercentage(std::optional<double> value) {
    if (value && (*value > largestUsedPercentage || *value < -largestUsedPercentage))
        return std::nullopt;
    return value;
}

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
    // The window's reset time has passed since the reading: it stands at 0 %.
    bool hasReset = false;

    friend bool operator==(const LabeledWindow&, const LabeledWindow&) = default;
};

} // namespace tallyglass
