#pragma once

#include "core/usage_records.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tallyglass {

// Lines carrying neither marker are never parsed. The event marker is the rate-limit event's
// payload type with its quotes; the context marker is the record type of the per-turn context
// lines, whose payload names the model.
inline constexpr std::string_view rolloutEventMarker = "\"token_count\"";
inline constexpr std::string_view rolloutContextMarker = "\"turn_context\"";

// The latest usable rate-limit event of one limit family ("rate_limits.limit_id").
struct FamilyEvent {
    std::string limitId; // empty for the account's own: "limit_id" absent, null or "codex"
    std::string name;    // "limit_name", else "limit_id"
    double timestamp = 0;
    std::size_t line = 0; // where it stands among the lines
    std::optional<std::string> planType;
    std::optional<UsageWindow> primary;
    std::optional<UsageWindow> secondary;
};

struct RolloutEvents {
    // Of the last context line that names one.
    std::optional<std::string> model;
    // Ordered by limit id, so the account's own comes first. A family whose latest event has
    // no usable window is left out.
    std::vector<FamilyEvent> families;
};

// The rate-limit event with the latest timestamp of each family among the lines (the earliest
// in file order among equal ones), with the model.
RolloutEvents parseRolloutLines(std::span<const std::string_view> lines);

// The members of one line that a reading uses ("timestamp", and of "payload" its "type",
// "model" and "rate_limits" down to the windows' numbers), each with its JSON type; everything
// else is dropped while parsing. Discarded when the line is not JSON.
nlohmann::json parseRecord(std::string_view line);

// One "primary" or "secondary" window of an event stamped eventTime (seconds since 1970).
// None unless it is an object with a percentage or a reset time.
std::optional<UsageWindow> parseWindow(const nlohmann::json* value, double eventTime);

} // namespace tallyglass
