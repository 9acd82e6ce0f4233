#pragma once

#include "usage_records.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tallyglass {

// The helper writes a few hundred bytes. Anything far larger is not a snapshot, and parsing it
// at every refresh would keep a core busy, so it is rejected unread.
inline constexpr std::size_t maxSnapshotBytes = 4 * 1024 * 1024;

// Decodes the bytes of a snapshot file. Yields a complete snapshot or nothing: text that is
// not strict JSON, a missing "updated_at" or a member of the wrong type rejects the whole file;
// members not known are ignored at every level; more than maxSnapshotBytes is rejected. Memory
// stays in proportion to the result, not to the file, and nesting depth is handled without
// recursion. When it yields nothing, a given problem is set to why: the member of the wrong
// type and what was expected, a missing "updated_at", or text that is not JSON.
std::optional<UsageSnapshot> decodeSnapshot(std::string_view bytes, std::string* problem = nullptr);

} // namespace tallyglass
