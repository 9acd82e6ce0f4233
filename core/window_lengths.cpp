#include "window_lengths.h"

#include <cmath>

namespace tallyglass {
namespace {

constexpr double tolerance = 0.05;

bool near(double minutes, double length) {
    return std::abs(minutes - length) <= length * tolerance;
}

} // namespace

std::optional<std::string_view> keyForLength(std::optional<double> windowMinutes) {
    if (!windowMinutes || !std::isfinite(*windowMinutes))
        return std::nullopt;
    const double minutes = *windowMinutes;
    if (near(minutes, 300))
        return "five_hour";
    if (near(minutes, 1440))
        return "daily";
    if (near(minutes, 7 * 1440))
        return "seven_day";
    if (minutes >= 28 * 1440 * (1 - tolerance) && minutes <= 31 * 1440 * (1 + tolerance))
        return "monthly";
    return std::nullopt;
}

SlotKeys slotKeys(const std::optional<UsageWindow>& primary,
                  const std::optional<UsageWindow>& secondary) {
    constexpr std::string_view primarySlot = "five_hour", secondarySlot = "seven_day";
    SlotKeys keys{primarySlot, secondarySlot};
    if (primary)
        keys.primary = keyForLength(primary->windowMinutes).value_or(primarySlot);
    if (secondary)
        keys.secondary = keyForLength(secondary->windowMinutes).value_or(secondarySlot);
    if (!primary || !secondary || keys.primary != keys.secondary)
        return keys;
    if (keys.secondary == secondarySlot)
        keys.primary = primarySlot;
    else
        keys.secondary = secondarySlot;
    return keys;
}

} // namespace tallyglass
