#pragma once

#include "core/usage_records.h"
#include "session_discovery.h"

#include <cstdint>
#include <optional>

namespace tallyglass {

inline constexpr std::uint64_t firstTailLength = 262'144;
inline constexpr std::uint64_t tailGrowthFactor = 4;
inline constexpr std::uint64_t largestTailLength = 4'194'304;

// The latest reading in the end of the candidate's file: its last 256 KiB, and when those
// hold no usable event, its last 1 MiB and then 4 MiB, each scanned afresh. None when the
// last 4 MiB (or the whole, smaller file) hold no usable event, or the file cannot be read.
std::optional<UsageSnapshot> snapshotFromFile(const Candidate& candidate);

} // namespace tallyglass
