#include "claude_paths.h"

#include "core/file_access.h"

#include <QFile>

namespace tallyglass {

// Joined as the helper joins them, so that both name the same folder whatever the home is.
QString claudeFolderPath() {
    return homeFolderPath() + QStringLiteral("/.claude");
}

QString snapshotFilePath() {
    return claudeFolderPath() + QStringLiteral("/usage_snapshot.json");
}

QString statuslineScriptPath() {
    return claudeFolderPath() + QStringLiteral("/statusline-usage.js");
}

} // namespace tallyglass
