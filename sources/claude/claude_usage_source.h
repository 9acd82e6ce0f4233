#pragma once

#include "core/usage_source.h"

#include <QString>

namespace tallyglass {

// The source for Claude Code: reads the snapshot the statusline helper leaves in the Claude
// folder, and installs that helper when prepared. Available once the Claude folder exists.
// Remembers nothing between calls.
class ClaudeUsageSource final : public UsageSource {
public:
    // runnerPath: the script runner the installed helper command names.
    explicit ClaudeUsageSource(QString runnerPath);
    ClaudeUsageSource();

    std::optional<UsageSnapshot> loadSnapshot() override;
    bool isAvailable() override;
    SetupReport prepare() override;
    std::vector<QString> diagnosis() override;

private:
    QString helperCommand() const;
    // Why the snapshot file gives no reading; empty when it gives one.
    QString snapshotProblem() const;

    QString m_runnerPath;
};

} // namespace tallyglass
