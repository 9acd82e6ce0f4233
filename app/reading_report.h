#pragma once

#include "core/usage_model.h"

#include <nlohmann/json.hpp>

namespace tallyglass {

// What each source reads right now, as users attach it to bug reports. Loads every source
// once without its prepare step, so nothing is installed or written.
nlohmann::ordered_json inspectReport(const SourceTable& sources);

nlohmann::ordered_json snapshotJson(const UsageSnapshot& snapshot);

} // namespace tallyglass
