#include "statusline_installation.h"

#include "claude_paths.h"
#include "settings_update.h"
#include "statusline_command.h"
#include "statusline_script.h"

#include "core/file_access.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace tallyglass {
namespace {

// Rewriting the same script at every start would wear the disk and race a running helper.
void writeScript(const QString& path, WriteSteps* steps) {
    const QByteArrayView script(statuslineScript.data(), qsizetype(statuslineScript.size()));
    const FileRead current = readRegularFile(path, script.size());
    if (current.status != FileRead::Status::read || current.bytes != script)
        writeFileAtomically(path, script, nullptr, steps);
}

// The plan for the settings as they are now; none when they cannot be read or are a file the
// user made read-only.
std::optional<SettingsPlan> planFor(const FileRead& settings, const QString& helperCommand,
                                    const QString& scriptPath) {
    if (settings.status == FileRead::Status::refused ||
        (settings.stamp.exists && !(settings.stamp.mode & S_IWUSR)))
        return std::nullopt;
    const auto isStale = [&scriptPath](const std::string& command) {
        const auto runner = statuslineCommandRunner(QString::fromStdString(command), scriptPath);
        return runner && !QFileInfo(*runner).isExecutable();
    };
    return planSettingsUpdate(std::string_view(settings.bytes.constData(), settings.bytes.size()),
                              helperCommand.toStdString(), isStale);
}

// Carries out a plan. Replacing the command before a foreign one is saved would lose it; the
// next run tries again.
WriteResult carryOut(const SettingsPlan& plan, const QDir& folder, const FileStamp& read,
                     WriteSteps* steps) {
    const QString innerPath = folder.filePath(QStringLiteral("statusline-usage.inner"));
    if (plan.action == SettingsPlan::Action::install) {
        if (!plan.chainedCommand)
            QFile::remove(innerPath);
        else if (writeFileAtomically(innerPath, *plan.chainedCommand, nullptr, steps) !=
                 WriteResult::written)
            return WriteResult::failed;
    }
    return writeFileAtomically(folder.filePath(QStringLiteral("settings.json")), plan.settingsBytes,
                               &read, steps);
}

} // namespace

void installStatuslineHelper(const QString& claudeFolder, const QString& helperCommand,
                             WriteSteps* steps) {
    const QDir folder(claudeFolder);
    if (!QDir().mkpath(claudeFolder))
        return;
    const QString scriptPath = folder.filePath(QStringLiteral("statusline-usage.js"));
    writeScript(scriptPath, steps);

    // A write to settings.json between our read and our replacement would be lost: plan again
    // once from what was written.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const FileRead settings =
            readRegularFile(folder.filePath(QStringLiteral("settings.json")), maxSettingsBytes);
        const auto plan = planFor(settings, helperCommand, scriptPath);
        if (!plan || plan->action == SettingsPlan::Action::leaveAlone ||
            carryOut(*plan, folder, settings.stamp, steps) != WriteResult::changedMeanwhile)
            return;
    }
}

void installStatuslineHelper() {
    installStatuslineHelper(claudeFolderPath(), statuslineCommand());
}

} // namespace tallyglass
