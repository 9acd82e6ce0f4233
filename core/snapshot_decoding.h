#pragma once

#include "usage_records.h"

#include <optional>
#include <string_view>

namespace tallyglass {

// Decodes the bytes of a snapshot file. Yields a complete snapshot or nothing: text that is
// not strict JSON, a missing "updated_at" or a member of the wrong type rejects the whole file;
// members not known are ignored at every level. Memory stays in proportion to the result, not
// to the file, and nesting depth is handled without recursion.
std::optional<UsageSnapshot> decodeSnapshot(std::string_view bytes);

} // namespace tallyglass
