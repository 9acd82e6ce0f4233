#include "claude_paths.h"

namespace tallyglass {

QString snapshotFilePath() {
    return claudeFolderPath() + QStringLiteral("/usage_snapshot.json");
}

QString statuslineScriptPath() {
    return claudeFolderPath() + QStringLiteral("/statusline-usage.js");
}

} // namespace tallyglass
