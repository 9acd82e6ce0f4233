#pragma once

#include <QString>

namespace tallyglass {

// The Claude folder, as Claude Code picks it: "CLAUDE_CONFIG_DIR" when set to an absolute path,
// else the folder the user named in the panel, else ".claude" in the home directory. Evaluated
// anew at every call.
QString claudeFolderPath();
// The default, ".claude" in the home directory.
QString defaultClaudeFolderPath();
// Whether "CLAUDE_CONFIG_DIR" decides, so that the panel's choice does not count.
bool claudeFolderFromEnvironment();
// Remembers the folder the user named; an empty path goes back to the default.
void setChosenClaudeFolder(const QString& path);

} // namespace tallyglass
