#pragma once

#include "sources/claude/claude_paths.h"
#include "sources/claude/statusline_command.h"
#include "sources/claude/statusline_installation.h"
#include "support/process_run.h"
#include "support/temp_home.h"

#include <nlohmann/json.hpp>

namespace tallyglass::testing {

inline QString testRunnerPath() {
    return QStringLiteral(TALLYGLASS_RUNNER);
}

// The command as Claude Code reads it back from settings.json.
inline QString installedCommand(const QString& folder = claudeFolderPath()) {
    const auto settings =
        nlohmann::json::parse(readFile(folder + QStringLiteral("/settings.json")).toStdString());
    return QString::fromStdString(settings["statusLine"]["command"].get<std::string>());
}

inline ProcessResult runInstalledHelper(const QByteArray& input) {
    return runShell(installedCommand(), input);
}

inline QString claudeFile(const char* name) {
    return claudeFolderPath() + u'/' + QString::fromUtf8(name);
}

} // namespace tallyglass::testing
