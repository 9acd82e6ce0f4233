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
                  const std::optional<UsageWindow>& secondary, SlotKeys slots) {
    SlotKeys keys = slots;
    if (primary)
        keys.primary = keyForLength(primary->windowMinutes).value_or(slots.primary);
    if (secondary)
        keys.secondary = keyForLength(secondary->windowMinutes).value_or(slots.secondary);
    if (!primary || !secondary || keys.primary != keys.secondary)
        return keys;
    if (keys.secondary == slots.secondary)
        keys.primary = slots.primary;
    else
        keys.secondary = slots.secondary;
    return keys;
}

} // namespace tallyglass
