#include "claude_usage_source.h"

#include "claude_paths.h"
#include "json_position.h"
#include "snapshot_decoding.h"
#include "statusline_command.h"
#include "statusline_installation.h"
#include "statusline_removal.h"

#include "core/file_access.h"
#include "platform/system/script_runner_path.h"

#include <QFileInfo>

#include <limits>

namespace tallyglass {

ClaudeUsageSource::ClaudeUsageSource(QString runnerPath, QString folder)
    : m_runnerPath(std::move(runnerPath))
    , m_folder(std::move(folder)) {}

ClaudeUsageSource::ClaudeUsageSource()
    : ClaudeUsageSource(scriptRunnerPath()) {}

QString ClaudeUsageSource::folder() const {
    return m_folder.isEmpty() ? claudeFolderPath() : m_folder;
}

std::optional<UsageSnapshot> ClaudeUsageSource::loadSnapshot() {
    const FileRead file = readRegularFile(snapshotFilePath(folder()), qint64(maxSnapshotBytes));
    if (file.status != FileRead::Status::read)
        return std::nullopt;
    return decodeSnapshot(std::string_view(file.bytes.constData(), file.bytes.size()));
}

// Claude Code is there once its folder is: the first reading may still be missing.
bool ClaudeUsageSource::isAvailable() {
    return QFileInfo(folder()).isDir();
}

SetupReport ClaudeUsageSource::prepare() {
    // The user took the helper out of Claude Code; adding it back needs their say.
    if (!isHelperWanted())
        return {};
    return installStatuslineHelper(folder(), helperCommand());
}

QString ClaudeUsageSource::helperCommand() const {
    return statuslineCommand(m_runnerPath, statuslineScriptPath(folder()));
}

std::vector<QString> ClaudeUsageSource::diagnosis() {
    const QString folder = this->folder();
    if (!QFileInfo(folder).isDir())
        return {QStringLiteral("The Claude folder %1 does not exist.").arg(folder)};
    std::vector<QString> reasons;
    if (QString reason = snapshotProblem(); !reason.isEmpty())
        reasons.push_back(reason);
    if (!isHelperWanted()) {
        reasons.push_back(QStringLiteral("The status-line helper was taken out of Claude Code; "
                                         "it is added again when the user asks."));
    } else if (const auto missing = missingStatuslineHelper(folder, helperCommand())) {
        reasons.push_back(QStringLiteral("The status-line helper is not installed."));
        if (QString problem = setupProblemText(*missing); !problem.isEmpty())
            reasons.push_back(problem);
    }
    return reasons;
}

QString ClaudeUsageSource::snapshotProblem() const {
    const QString path = snapshotFilePath(folder());
    const FileRead file = readRegularFile(path, qint64(maxSnapshotBytes));
    if (file.status == FileRead::Status::absent)
        return QStringLiteral("No reading yet: %1 does not exist.").arg(path);
    if (file.status == FileRead::Status::refused)
        return QStringLiteral("%1 could not be read: it is not a readable regular file of at "
                              "most 4 MB.")
            .arg(path);
    const std::string_view bytes(file.bytes.constData(), file.bytes.size());
    std::string problem;
    if (decodeSnapshot(bytes, &problem))
        return {};
    if (const auto error = checkJson(bytes, std::numeric_limits<int>::max()).syntaxError)
        return QStringLiteral("%1 could not be decoded: not valid JSON at line %2, column %3.")
            .arg(path)
            .arg(error->line)
            .arg(error->column);
    return QStringLiteral("%1 could not be decoded: %2.")
        .arg(path, QString::fromStdString(problem));
}

} // namespace tallyglass
