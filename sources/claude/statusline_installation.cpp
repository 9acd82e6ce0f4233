#include "statusline_installation.h"

#include "claude_paths.h"
#include "settings_update.h"
#include "statusline_command.h"
#include "statusline_script.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>

namespace tallyglass {
namespace {

// QSaveFile replaces the target of a symbolic link, not the link, and keeps the file's mode.
bool writeAtomically(const QString& path, std::string_view bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size()) &&
           file.commit();
}

// The bytes of settings.json; empty when it does not exist, none when it cannot be read.
// A link to nowhere counts as unreadable: writing through it would create a file in
// whatever folder it names. So does anything but a regular file: opening a pipe would wait
// for a writer for ever.
std::optional<QByteArray> readSettings(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return info.isSymLink() ? std::nullopt : std::optional<QByteArray>(QByteArray());
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace

void installStatuslineHelper(const QString& claudeFolder, const QString& helperCommand) {
    const QDir folder(claudeFolder);
    if (!QDir().mkpath(claudeFolder))
        return;
    writeAtomically(folder.filePath(QStringLiteral("statusline-usage.js")), statuslineScript);

    const QString settingsPath = folder.filePath(QStringLiteral("settings.json"));
    const std::optional<QByteArray> settings = readSettings(settingsPath);
    if (!settings)
        return;
    const auto runnerExists = [](const std::string& runner) {
        return QFileInfo(QString::fromStdString(runner)).isExecutable();
    };
    const SettingsPlan plan =
        planSettingsUpdate(std::string_view(settings->constData(), settings->size()),
                           helperCommand.toStdString(), runnerExists);
    if (plan.action == SettingsPlan::Action::leaveAlone)
        return;
    if (plan.action == SettingsPlan::Action::repoint) {
        writeAtomically(settingsPath, plan.settingsBytes);
        return;
    }

    const QString innerPath = folder.filePath(QStringLiteral("statusline-usage.inner"));
    if (plan.chainedCommand) {
        // Replacing the command before it is saved would lose it; the next run tries again.
        if (!writeAtomically(innerPath, *plan.chainedCommand))
            return;
    } else {
        QFile::remove(innerPath);
    }
    writeAtomically(settingsPath, plan.settingsBytes);
}

void installStatuslineHelper() {
    installStatuslineHelper(claudeFolderPath(), statuslineCommand());
}

} // namespace tallyglass
