#pragma once

#include "rollout_parsing.h"
#include "session_discovery.h"

#include <cstdint>
#include <optional>

namespace tallyglass {

inline constexpr std::uint64_t firstTailLength = 262'144;
inline constexpr std::uint64_t tailGrowthFactor = 4;
inline constexpr std::uint64_t largestTailLength = 4'194'304;

// The latest events in the end of the candidate's file: its last 256 KiB, and when those
// hold no usable event, its last 1 MiB and then 4 MiB, each scanned afresh. No event when the
// last 4 MiB (or the whole, smaller file) hold no usable one, or the file cannot be read.
RolloutEvents eventsFromFile(const Candidate& candidate);

} // namespace tallyglass
