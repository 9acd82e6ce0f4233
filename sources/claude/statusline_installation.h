#pragma once

#include "core/regular_file.h"
#include "core/setup_report.h"

#include <QString>

#include <optional>

namespace tallyglass {

// Puts the statusline helper into the Claude folder and names it as Claude Code's status-line
// command, chaining a foreign earlier command. Never throws; says why when the helper could
// not be named, and when it was added to settings the user had. The user's settings are never
// replaced when they cannot be read or are not a JSON object, and a foreign command is never
// dropped before it has been saved. Steps, when given, see every write.
SetupReport installStatuslineHelper(const QString& claudeFolder, const QString& helperCommand,
                                    WriteSteps* steps = nullptr);
// For the current Claude folder and this build's helper command.
SetupReport installStatuslineHelper();

// Whether Claude Code's settings name the helper, changing nothing: none when they do; else
// what an installation would meet, a failed report when it could not name it.
std::optional<SetupReport> missingStatuslineHelper(const QString& claudeFolder,
                                                   const QString& helperCommand);

} // namespace tallyglass
