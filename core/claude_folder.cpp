#include "claude_folder.h"

#include "file_access.h"
#include "user_defaults.h"

#include <algorithm>

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

// Each further folder is a group of its own, named by its number.
const QString foldersGroup = QStringLiteral("claudeFolders");
constexpr int mostFolderNumber = 1'000'000;

QString folderKey(int number, const char* member) {
    return foldersGroup + u'/' + QString::number(number) + u'/' + QLatin1String(member);
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

std::vector<ClaudeFolder> furtherClaudeFolders() {
    std::vector<ClaudeFolder> folders;
    const auto defaults = userDefaults();
    if (!defaults)
        return folders;
    defaults->beginGroup(foldersGroup);
    const QStringList numbers = defaults->childGroups();
    defaults->endGroup();
    for (const QString& text : numbers) {
        bool ok = false;
        const int number = text.toInt(&ok);
        // A hand-edited entry such as "02" would be a second name for folder 2, and a huge
        // number would leave none for the next folder.
        if (!ok || number < 2 || number > mostFolderNumber || QString::number(number) != text)
            continue;
        const QString path = usableFolder(defaults->value(folderKey(number, "path")).toString());
        if (!path.isEmpty())
            folders.push_back({number, path});
    }
    std::sort(folders.begin(), folders.end(),
              [](const ClaudeFolder& a, const ClaudeFolder& b) { return a.number < b.number; });
    return folders;
}

std::vector<QString> allClaudeFolderPaths() {
    std::vector<QString> paths{claudeFolderPath()};
    for (const ClaudeFolder& folder : furtherClaudeFolders())
        if (folder.path != paths.front())
            paths.push_back(folder.path);
    return paths;
}

QString claudeFolderPath(int number) {
    if (number == 0)
        return claudeFolderPath();
    for (const ClaudeFolder& folder : furtherClaudeFolders())
        if (folder.number == number)
            return folder.path;
    return {};
}

int addClaudeFolder(const QString& path) {
    const QString folder = usableFolder(path);
    const auto defaults = userDefaults();
    if (folder.isEmpty() || !defaults || folder == claudeFolderPath())
        return 0;
    int number = 2;
    for (const ClaudeFolder& known : furtherClaudeFolders()) {
        if (known.path == folder)
            return 0;
        number = std::max(number, known.number + 1);
    }
    defaults->setValue(folderKey(number, "path"), folder);
    defaults->sync();
    return number;
}

void removeClaudeFolder(int number) {
    if (const auto defaults = userDefaults(); defaults && number != 0) {
        defaults->remove(foldersGroup + u'/' + QString::number(number));
        defaults->sync();
    }
}

QString claudeSourceName(int number) {
    const auto defaults = userDefaults();
    if (!defaults)
        return {};
    return defaults->value(number == 0 ? QStringLiteral("claudeName") : folderKey(number, "name"))
        .toString()
        .trimmed();
}

void setClaudeSourceName(int number, const QString& name) {
    const auto defaults = userDefaults();
    if (!defaults)
        return;
    const QString key = number == 0 ? QStringLiteral("claudeName") : folderKey(number, "name");
    if (name.trimmed().isEmpty())
        defaults->remove(key);
    else
        defaults->setValue(key, name.trimmed());
    defaults->sync();
}

} // namespace tallyglass
