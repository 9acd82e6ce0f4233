#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tallyglass {

// Why the last rate-limit event among the lines (a "token_count" record) gives no reading,
// naming the member at fault and what it should be: "payload.rate_limits.primary.used_percent"
// is a string, expected a number. None when the lines hold no such record or it is usable.
std::optional<std::string> unusableEventReason(std::span<const std::string_view> lines);

} // namespace tallyglass
