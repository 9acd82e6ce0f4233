#pragma once

#include "core/regular_file.h"

#include <QString>

namespace tallyglass {

// Puts the statusline helper into the Claude folder and names it as Claude Code's status-line
// command, chaining a foreign earlier command. Absorbs every failure. The user's settings
// are never replaced when they cannot be read or are not a JSON object, and a foreign command
// is never dropped before it has been saved.
// Steps, when given, see every write.
void installStatuslineHelper(const QString& claudeFolder, const QString& helperCommand,
                             WriteSteps* steps = nullptr);
// For the current home directory and this build's helper command.
void installStatuslineHelper();

} // namespace tallyglass
