#include "statusline_command.h"

#include "claude_paths.h"

#include "core/shell_quoting.h"
#include "platform/system/script_runner_path.h"

#include <QRegularExpression>

namespace tallyglass {
namespace {

QString escaped(const QString& text) {
    return QString::fromStdString(escapedForDoubleQuotes(text.toStdString()));
}

bool isPlainShellWord(const QString& text) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) &&
            !QStringLiteral("/._-+,:@%=").contains(c))
            return false;
    return true;
}

QString scriptArguments(const QString& scriptPath) {
    return QStringLiteral(" -l JavaScript \"") + escaped(scriptPath) + u'"';
}

} // namespace

QString statuslineCommand(const QString& runnerPath, const QString& scriptPath) {
    const QString runner =
        isPlainShellWord(runnerPath) ? runnerPath : u'"' + escaped(runnerPath) + u'"';
    return runner + scriptArguments(scriptPath);
}

std::optional<QString> statuslineCommandRunner(const QString& command, const QString& scriptPath) {
    const QString scriptPart = scriptArguments(scriptPath);
    if (!command.endsWith(scriptPart))
        return std::nullopt;
    QString runner = command.chopped(scriptPart.size());
    if (runner.size() >= 2 && runner.startsWith(u'"') && runner.endsWith(u'"')) {
        runner = runner.mid(1, runner.size() - 2);
        static const QRegularExpression escaped(QStringLiteral(R"(\\(.))"));
        runner.replace(escaped, QStringLiteral("\\1"));
    }
    // Quoting the runner again must give the very command: anything else is not ours.
    if (!runner.startsWith(u'/') || statuslineCommand(runner, scriptPath) != command)
        return std::nullopt;
    return runner;
}

QString statuslineCommand() {
    return statuslineCommand(scriptRunnerPath(), statuslineScriptPath());
}

} // namespace tallyglass
