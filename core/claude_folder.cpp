#include "claude_folder.h"

#include "file_access.h"
#include "user_defaults.h"

namespace tallyglass {
namespace {

// Trailing slashes dropped, so the folder joins with file names as the helper joins them.
QString usableFolder(const QString& path) {
    if (!path.startsWith(u'/'))
        return {};
    QString folder = path;
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

QString environmentFolder() {
    return usableFolder(qEnvironmentVariable("CLAUDE_CONFIG_DIR"));
}

} // namespace

QString defaultClaudeFolderPath() {
    return homeFolderPath() + QStringLiteral("/.claude");
}

bool claudeFolderFromEnvironment() {
    return !environmentFolder().isEmpty();
}

QString claudeFolderPath() {
    if (QString folder = environmentFolder(); !folder.isEmpty())
        return folder;
    if (const auto defaults = userDefaults()) {
        if (QString chosen = usableFolder(defaults->value(claudeFolderKey).toString());
            !chosen.isEmpty())
            return chosen;
    }
    return defaultClaudeFolderPath();
}

void setChosenClaudeFolder(const QString& path) {
    const auto defaults = userDefaults();
    if (!defaults)
        return;
    const QString folder = usableFolder(path);
    if (folder.isEmpty() || folder == defaultClaudeFolderPath())
        defaults->remove(claudeFolderKey);
    else
        defaults->setValue(claudeFolderKey, folder);
    defaults->sync();
}

} // namespace tallyglass
