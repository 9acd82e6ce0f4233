#include "statusline_removal.h"

#include "claude_paths.h"
#include "settings_update.h"

#include "core/file_access.h"
#include "core/user_defaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

namespace tallyglass {
namespace {

constexpr auto helperWantedKey = "claudeHelper";
// Far beyond any command line a shell takes.
constexpr qint64 maxChainedBytes = 1 << 20;

// The command the helper runs, trimmed as the helper trims it; none when the file is there
// but cannot be read, since putting back nothing would lose it.
std::optional<std::string> chainedCommand(const QString& path) {
    const FileRead inner = readRegularFile(path, maxChainedBytes);
    if (inner.status == FileRead::Status::absent)
        return std::string();
    if (inner.status != FileRead::Status::read)
        return std::nullopt;
    return inner.bytes.trimmed().toStdString();
}

// Once the settings name the helper no more, its files have no use.
bool deleteHelperFiles(const QDir& folder) {
    bool deleted = false;
    for (const char* name :
         {"statusline-usage.js", "statusline-usage.inner", "usage_snapshot.json"})
        deleted |= QFile::remove(folder.filePath(QString::fromLatin1(name)));
    return deleted;
}

} // namespace

HelperRemoval removeStatuslineHelper(const QString& claudeFolder) {
    const QDir folder(claudeFolder);
    const QString settingsPath = folder.filePath(QStringLiteral("settings.json"));
    // A write to settings.json between our read and our replacement would be lost: plan again
    // once from what was written.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const FileRead settings = readRegularFile(settingsPath, maxSettingsBytes);
        const auto chained =
            chainedCommand(folder.filePath(QStringLiteral("statusline-usage.inner")));
        if (settings.status == FileRead::Status::refused || !chained)
            return HelperRemoval::unusableSettings;
        const RemovalPlan plan = planHelperRemoval(
            std::string_view(settings.bytes.constData(), settings.bytes.size()), *chained);
        if (plan.action == RemovalPlan::Action::unusable)
            return HelperRemoval::unusableSettings;
        if (plan.action == RemovalPlan::Action::keep)
            return deleteHelperFiles(folder) ? HelperRemoval::removed
                                             : HelperRemoval::nothingToRemove;
        const WriteResult written =
            writeFileAtomically(settingsPath, plan.settingsBytes, &settings.stamp);
        if (written == WriteResult::failed)
            return HelperRemoval::failedWrite;
        if (written == WriteResult::written) {
            deleteHelperFiles(folder);
            return HelperRemoval::removed;
        }
    }
    return HelperRemoval::failedWrite;
}

QString removalFailureText(HelperRemoval removal, const QString& claudeFolder) {
    const QString settingsPath = QDir(claudeFolder).filePath(QStringLiteral("settings.json"));
    switch (removal) {
    case HelperRemoval::removed:
    case HelperRemoval::nothingToRemove:
        return {};
    case HelperRemoval::unusableSettings:
        return QCoreApplication::translate(
                   "tallyglass::HelperRemoval",
                   "%1 cannot be read or is not valid JSON, so the status line was left as it is.")
            .arg(settingsPath);
    case HelperRemoval::failedWrite:
        return QCoreApplication::translate("tallyglass::HelperRemoval",
                                           "%1 could not be written, so the status line was left "
                                           "as it is.")
            .arg(settingsPath);
    }
    return {};
}

bool isHelperWanted() {
    const auto defaults = userDefaults();
    return !defaults || defaults->value(helperWantedKey, true).toBool();
}

void setHelperWanted(bool wanted) {
    if (const auto defaults = userDefaults()) {
        defaults->setValue(helperWantedKey, wanted);
        defaults->sync();
    }
}

bool ClaudeHelperSwitch::isWanted() const {
    return isHelperWanted();
}

std::vector<FolderRemoval> takeHelperOut() {
    // First, so that no preparation adds the helper back behind the removal.
    setHelperWanted(false);
    std::vector<FolderRemoval> removals;
    bool anyRemoved = false, anyFailed = false;
    for (const QString& folder : allClaudeFolderPaths()) {
        const HelperRemoval removal = removeStatuslineHelper(folder);
        anyRemoved |= removal == HelperRemoval::removed;
        anyFailed |= !removalFailureText(removal, folder).isEmpty();
        removals.push_back({folder, removal});
    }
    if (anyFailed && !anyRemoved)
        setHelperWanted(true);
    return removals;
}

QString removalFailureText(const std::vector<FolderRemoval>& removals) {
    QStringList failures;
    for (const FolderRemoval& each : removals)
        if (QString failure = removalFailureText(each.removal, each.folder); !failure.isEmpty())
            failures << failure;
    return failures.join(u'\n');
}

std::optional<QString> ClaudeHelperSwitch::remove() {
    if (const QString failure = removalFailureText(takeHelperOut()); !failure.isEmpty())
        return failure;
    return std::nullopt;
}

std::optional<QString> ClaudeHelperSwitch::removeFromFolder(const QString& folder) {
    if (const QString failure = removalFailureText(removeStatuslineHelper(folder), folder);
        !failure.isEmpty())
        return failure;
    return std::nullopt;
}

void ClaudeHelperSwitch::allow() {
    setHelperWanted(true);
}

} // namespace tallyglass
