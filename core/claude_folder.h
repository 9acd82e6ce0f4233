#pragma once

#include <QString>

#include <vector>

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

// A further Claude folder the user added, for a second account: a source of its own.
struct ClaudeFolder {
    int number = 0; // 2 and on; never 0, which is the Claude folder above
    QString path;
};

// The further folders as stored, in the order they were added.
std::vector<ClaudeFolder> furtherClaudeFolders();
// Every Claude folder: the Claude folder first, then the further ones.
std::vector<QString> allClaudeFolderPaths();
// The folder of a Claude source: the Claude folder for 0; empty for a folder no longer stored.
QString claudeFolderPath(int number);
// Adds a further folder; its number, or 0 when the path is not absolute or is already watched.
int addClaudeFolder(const QString& path);
void removeClaudeFolder(int number);
// The name the user gave a Claude source (0 the Claude folder's); empty when none.
QString claudeSourceName(int number);
void setClaudeSourceName(int number, const QString& name);

} // namespace tallyglass
