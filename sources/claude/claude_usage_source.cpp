#include "claude_usage_source.h"

#include "claude_paths.h"
#include "statusline_command.h"
#include "statusline_installation.h"
#include "statusline_removal.h"

#include "core/file_access.h"
#include "core/snapshot_decoding.h"

#include <QFileInfo>

namespace tallyglass {

ClaudeUsageSource::ClaudeUsageSource(QString runnerPath)
    : m_runnerPath(std::move(runnerPath)) {}

ClaudeUsageSource::ClaudeUsageSource()
    : ClaudeUsageSource(scriptRunnerPath()) {}

std::optional<UsageSnapshot> ClaudeUsageSource::loadSnapshot() {
    const FileRead file = readRegularFile(snapshotFilePath(), qint64(maxSnapshotBytes));
    if (file.status != FileRead::Status::read)
        return std::nullopt;
    return decodeSnapshot(std::string_view(file.bytes.constData(), file.bytes.size()));
}

bool ClaudeUsageSource::isAvailable() {
    return QFileInfo::exists(snapshotFilePath());
}

void ClaudeUsageSource::prepare() {
    // The user took the helper out of Claude Code; adding it back needs their say.
    if (!isHelperWanted())
        return;
    installStatuslineHelper(claudeFolderPath(),
                            statuslineCommand(m_runnerPath, statuslineScriptPath()));
}

} // namespace tallyglass
