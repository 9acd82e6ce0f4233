#pragma once

#include <optional>
#include <string_view>

namespace tallyglass {

// An ISO 8601 internet date-time, with or without fractional seconds, ending in "Z" or an
// offset with a colon, as seconds since 1970 UTC (with the fraction, to the millisecond).
// Texts without a zone, with a space for the "T", or holding only a date give none.
std::optional<double> parseTimestamp(std::string_view text);

// How Codex stamps its lines, "2025-12-08T16:20:44.907Z": UTC to the millisecond, so such
// texts sort as their instants do.
inline constexpr std::string_view usualStampShape = "dddd-dd-ddTdd:dd:dd.dddZ";
bool hasUsualStampShape(std::string_view text);

} // namespace tallyglass
