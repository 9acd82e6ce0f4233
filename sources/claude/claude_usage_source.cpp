#include "claude_usage_source.h"

#include "claude_paths.h"
#include "statusline_command.h"
#include "statusline_installation.h"

#include "core/snapshot_decoding.h"

#include <QFile>
#include <QFileInfo>

namespace tallyglass {

ClaudeUsageSource::ClaudeUsageSource(QString runnerPath)
    : m_runnerPath(std::move(runnerPath)) {}

ClaudeUsageSource::ClaudeUsageSource()
    : ClaudeUsageSource(scriptRunnerPath()) {}

std::optional<UsageSnapshot> ClaudeUsageSource::loadSnapshot() {
    const QString path = snapshotFilePath();
    // Only a regular file: opening a pipe would wait for a writer for ever.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // One byte past the limit tells an oversized file apart without reading all of it.
    const QByteArray bytes = file.read(static_cast<qint64>(maxSnapshotBytes) + 1);
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return decodeSnapshot(std::string_view(bytes.constData(), bytes.size()));
}

bool ClaudeUsageSource::isAvailable() {
    return QFileInfo::exists(snapshotFilePath());
}

void ClaudeUsageSource::prepare() {
    installStatuslineHelper(claudeFolderPath(),
                            statuslineCommand(m_runnerPath, statuslineScriptPath()));
}

} // namespace tallyglass
