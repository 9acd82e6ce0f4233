#pragma once

#include <QString>

#include <optional>

namespace tallyglass {

// The helper command: the runner, "-l JavaScript", and the script path in double quotes.
// Inside the quotes `"`, `$`, a backtick and `\` are escaped with a backslash so that no home
// directory can break the command or run anything; a runner path holding characters the
// shell would read is quoted the same way. Other paths appear unchanged.
QString statuslineCommand(const QString& runnerPath, const QString& scriptPath);
// The runner of a command that is exactly statuslineCommand(runner, scriptPath) for an
// absolute runner path; none for any other command, a wrapper around ours included.
std::optional<QString> statuslineCommandRunner(const QString& command, const QString& scriptPath);
// The command for this build's runner and the current home directory.
QString statuslineCommand();

} // namespace tallyglass
