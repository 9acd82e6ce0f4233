#pragma once

#include "core/usage_model.h"

#include <nlohmann/json.hpp>

namespace tallyglass {

// What each source reads right now, as users attach it to bug reports: its reading as the
// panel would show it at now, whether that is stale, and for a source without one, why.
// Loads every source once without its prepare step, so nothing is installed or written.
nlohmann::ordered_json inspectReport(const SourceTable& sources, double now);

// One source's entry of that report.
nlohmann::ordered_json sourceEntry(const SourceId& source,
                                   const std::optional<UsageSnapshot>& snapshot, bool available,
                                   const std::vector<QString>& reasons, double now);

// Whether the report holds a reading of that source.
bool hasReading(const nlohmann::ordered_json& report, const SourceId& source);

nlohmann::ordered_json snapshotJson(const UsageSnapshot& snapshot);

} // namespace tallyglass
