#pragma once

#include "usage_records.h"

#include <optional>
#include <string_view>

namespace tallyglass {

// The key a window goes by when its length names it, as the assistant itself names windows
// within 5 %: "five_hour" (300 minutes), "seven_day" (a week), "daily" (a day) or "monthly"
// (28 to 31 days). None for any other length, or none at all.
std::optional<std::string_view> keyForLength(std::optional<double> windowMinutes);

// Keys for the two windows of one rate-limit event, each named by its length where that
// names it and else by its slot: "five_hour" for the first and "seven_day" for the second of
// the account's own limits, "primary" and "secondary" in another limit family. Two windows
// never share a key: when both are there and their lengths name the same one, the window
// whose slot it is keeps it, or else the first, and the other takes its slot's key.
struct SlotKeys {
    std::string_view primary;
    std::string_view secondary;
};
SlotKeys slotKeys(const std::optional<UsageWindow>& primary,
                  const std::optional<UsageWindow>& secondary,
                  SlotKeys slots = {"five_hour", "seven_day"});

} // namespace tallyglass
