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

// Why settings that could not be read are refused.
SetupReport::Problem readProblem(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return SetupReport::Problem::notRegularFile;
    if (info.size() > qint64(maxSettingsBytes))
        return SetupReport::Problem::tooLarge;
    return SetupReport::Problem::unreadable;
}

// The plan for the settings as they are now. A file the user made read-only is not changed.
SettingsPlan planFor(const FileRead& settings, const QString& path, const QString& helperCommand,
                     const QString& scriptPath) {
    if (settings.status == FileRead::Status::refused) {
        SettingsPlan refused;
        refused.refusal = readProblem(path);
        return refused;
    }
    const auto isStale = [&scriptPath](const std::string& command) {
        const auto runner = statuslineCommandRunner(QString::fromStdString(command), scriptPath);
        return runner && !QFileInfo(*runner).isExecutable();
    };
    SettingsPlan plan =
        planSettingsUpdate(std::string_view(settings.bytes.constData(), settings.bytes.size()),
                           helperCommand.toStdString(), isStale);
    if (plan.action != SettingsPlan::Action::leaveAlone && settings.stamp.exists &&
        !(settings.stamp.mode & S_IWUSR)) {
        plan = {};
        plan.refusal = SetupReport::Problem::readOnly;
    }
    return plan;
}

// Carries out a plan. Replacing the command before a foreign one is saved would lose it; the
// next run tries again. failedPath names the file whose write failed.
WriteResult carryOut(const SettingsPlan& plan, const QDir& folder, const FileStamp& read,
                     WriteSteps* steps, QString& failedPath) {
    failedPath = folder.filePath(QStringLiteral("statusline-usage.inner"));
    if (plan.action == SettingsPlan::Action::install) {
        if (!plan.chainedCommand)
            QFile::remove(failedPath);
        else if (writeFileAtomically(failedPath, *plan.chainedCommand, nullptr, steps) !=
                 WriteResult::written)
            return WriteResult::failed;
    }
    failedPath = folder.filePath(QStringLiteral("settings.json"));
    return writeFileAtomically(failedPath, plan.settingsBytes, &read, steps);
}

// settings: the file a user adds the member to by hand.
SetupReport failure(SetupReport::Problem problem, const QString& path, const QString& settings,
                    const QString& command, TextPosition at = {}) {
    SetupReport report;
    report.settingsPath = settings;
    report.result = SetupReport::Result::failed;
    report.problem = problem;
    report.line = at.line;
    report.column = at.column;
    report.path = path;
    report.statusLineMember = QString::fromStdString(statusLineMember(command.toStdString()));
    return report;
}

} // namespace

SetupReport installStatuslineHelper(const QString& claudeFolder, const QString& helperCommand,
                                    WriteSteps* steps) {
    const QDir folder(claudeFolder);
    const QString settingsPath = folder.filePath(QStringLiteral("settings.json"));
    if (!QDir().mkpath(claudeFolder))
        return failure(SetupReport::Problem::folderNotMade, claudeFolder, settingsPath,
                       helperCommand);
    const QString scriptPath = folder.filePath(QStringLiteral("statusline-usage.js"));
    writeScript(scriptPath, steps);

    // A write to settings.json between our read and our replacement would be lost: plan again
    // once from what was written.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const FileRead settings = readRegularFile(settingsPath, maxSettingsBytes);
        const SettingsPlan plan = planFor(settings, settingsPath, helperCommand, scriptPath);
        if (plan.refusal != SetupReport::Problem::none)
            return failure(plan.refusal, settingsPath, settingsPath, helperCommand, plan.errorAt);
        if (plan.action == SettingsPlan::Action::leaveAlone)
            return {};
        QString failedPath;
        const WriteResult written = carryOut(plan, folder, settings.stamp, steps, failedPath);
        if (written == WriteResult::failed)
            return failure(SetupReport::Problem::notWritten, failedPath, settingsPath,
                           helperCommand);
        if (written == WriteResult::changedMeanwhile)
            continue;
        // A file Tallyglass made itself needs no word; one the user had does.
        if (plan.action != SettingsPlan::Action::install || settings.bytes.isEmpty())
            return {};
        SetupReport report;
        report.result = SetupReport::Result::added;
        report.ownCommandKept = plan.chainedCommand.has_value();
        report.path = report.settingsPath = settingsPath;
        return report;
    }
    return {};
}

std::optional<SetupReport> missingStatuslineHelper(const QString& claudeFolder,
                                                   const QString& helperCommand) {
    const QDir folder(claudeFolder);
    const QString settingsPath = folder.filePath(QStringLiteral("settings.json"));
    const SettingsPlan plan =
        planFor(readRegularFile(settingsPath, maxSettingsBytes), settingsPath, helperCommand,
                folder.filePath(QStringLiteral("statusline-usage.js")));
    if (plan.refusal != SetupReport::Problem::none)
        return failure(plan.refusal, settingsPath, settingsPath, helperCommand, plan.errorAt);
    if (plan.action == SettingsPlan::Action::install)
        return SetupReport{};
    return std::nullopt;
}

SetupReport installStatuslineHelper() {
    return installStatuslineHelper(claudeFolderPath(), statuslineCommand());
}

} // namespace tallyglass
