#pragma once

#include "core/usage_records.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <span>
#include <string_view>

namespace tallyglass {

// Lines carrying neither marker are never parsed. The event marker is the rate-limit event's
// payload type with its quotes; the context marker is the record type of the per-turn context
// lines, whose payload names the model.
inline constexpr std::string_view rolloutEventMarker = "\"token_count\"";
inline constexpr std::string_view rolloutContextMarker = "\"turn_context\"";

// The reading of the rate-limit event with the latest timestamp among the lines (the earliest
// in file order among equal ones), with the model of the last context line that names one.
std::optional<UsageSnapshot> parseRolloutLines(std::span<const std::string_view> lines);

// One "primary" or "secondary" window of an event stamped eventTime (seconds since 1970).
// None unless it is an object with a percentage or a reset time.
std::optional<UsageWindow> parseWindow(const nlohmann::json* value, double eventTime);

} // namespace tallyglass
