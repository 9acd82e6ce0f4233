#pragma once

#include "core/source_id.h"
#include "core/usage_records.h"

#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace tallyglass {

// What tallyglass-inspect prints: its JSON report, one line of text, or the line a status
// bar's own module reads.
enum class LineFormat { text, json, waybar, i3blocks, polybar };

std::optional<LineFormat> lineFormatNamed(const QString& name);

// What one source reads at a moment, as the lines are made from.
struct SourceReading {
    SourceId kind;
    std::optional<UsageSnapshot> snapshot;
    bool available = false;
    // Why there is no reading; only the JSON report shows them.
    std::vector<QString> reasons;
};

// The reading as of now in the format, without a final newline: one line, but for i3blocks's
// three (text, short text, colour) when it runs the command once. While following, i3blocks
// reads a line per update, so its three come as one JSON object.
std::string statusLine(LineFormat format, const SourceReading& reading, double now, bool following);

} // namespace tallyglass
