#pragma once

#include "sources/claude/claude_paths.h"
#include "sources/claude/statusline_command.h"
#include "sources/claude/statusline_installation.h"
#include "support/process_run.h"
#include "support/temp_home.h"

#include <QDir>

#include <nlohmann/json.hpp>

namespace tallyglass::testing {

inline QString testRunnerPath() {
    return QStringLiteral(TALLYGLASS_RUNNER);
}

inline void installForTest() {
    installStatuslineHelper(claudeFolderPath(),
                            statuslineCommand(testRunnerPath(), statuslineScriptPath()));
}

inline nlohmann::json installedSettings() {
    return nlohmann::json::parse(
        readFile(QDir(claudeFolderPath()).filePath(QStringLiteral("settings.json"))).toStdString(),
        nullptr, false);
}

// The command as Claude Code reads it back from settings.json.
inline QString installedCommand() {
    const auto settings = installedSettings();
    return QString::fromStdString(
        settings.value("/statusLine/command"_json_pointer, std::string()));
}

inline ProcessResult runInstalledHelper(const QByteArray& input) {
    return runShell(installedCommand(), input);
}

inline QString claudeFile(const char* name) {
    return QDir(claudeFolderPath()).filePath(name);
}

} // namespace tallyglass::testing
