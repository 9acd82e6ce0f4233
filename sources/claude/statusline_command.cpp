#include "statusline_command.h"

#include "claude_paths.h"

namespace tallyglass {
namespace {

QString escapedForDoubleQuotes(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'"' || c == u'$' || c == u'`' || c == u'\\')
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
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

} // namespace

QString statuslineCommand(const QString& runnerPath, const QString& scriptPath) {
    const QString runner = isPlainShellWord(runnerPath)
                               ? runnerPath
                               : u'"' + escapedForDoubleQuotes(runnerPath) + u'"';
    return runner + QStringLiteral(" -l JavaScript \"") + escapedForDoubleQuotes(scriptPath) + u'"';
}

QString statuslineCommand() {
    return statuslineCommand(scriptRunnerPath(), statuslineScriptPath());
}

} // namespace tallyglass
