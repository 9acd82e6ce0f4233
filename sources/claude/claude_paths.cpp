#include "claude_paths.h"

namespace tallyglass {

QString snapshotFilePath(const QString& folder) {
    return folder + QStringLiteral("/usage_snapshot.json");
}

QString statuslineScriptPath(const QString& folder) {
    return folder + QStringLiteral("/statusline-usage.js");
}

} // namespace tallyglass
