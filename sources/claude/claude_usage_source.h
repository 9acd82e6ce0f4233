#pragma once

#include "core/usage_source.h"

#include <QString>

namespace tallyglass {

// The source for Claude Code: reads the snapshot the statusline helper leaves in the Claude
// folder, and installs that helper when prepared. Available once the Claude folder exists.
// Remembers nothing between calls but which folder it watches.
class ClaudeUsageSource final : public UsageSource {
public:
    // runnerPath: the script runner the installed helper command names. folder: a further
    // Claude folder; empty for the Claude folder Claude Code picks, found afresh at every call.
    explicit ClaudeUsageSource(QString runnerPath, QString folder = {});
    ClaudeUsageSource();

    std::optional<UsageSnapshot> loadSnapshot() override;
    bool isAvailable() override;
    SetupReport prepare() override;
    std::vector<QString> diagnosis() override;

private:
    QString folder() const;
    QString helperCommand() const;
    // Why the snapshot file gives no reading; empty when it gives one.
    QString snapshotProblem() const;

    QString m_runnerPath;
    QString m_folder;
};

} // namespace tallyglass
