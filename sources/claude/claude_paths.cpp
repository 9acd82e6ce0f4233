#include "claude_paths.h"

#include <QDir>

namespace tallyglass {

QString claudeFolderPath() {
    return QDir(QDir::homePath()).filePath(QStringLiteral(".claude"));
}

QString snapshotFilePath() {
    return QDir(claudeFolderPath()).filePath(QStringLiteral("usage_snapshot.json"));
}

QString statuslineScriptPath() {
    return QDir(claudeFolderPath()).filePath(QStringLiteral("statusline-usage.js"));
}

} // namespace tallyglass
