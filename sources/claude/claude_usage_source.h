#pragma once

#include "core/usage_source.h"

#include <QString>

namespace tallyglass {

// The source for Claude Code: reads the snapshot the statusline helper leaves in the Claude
// folder, and installs that helper when prepared. Remembers nothing between calls.
class ClaudeUsageSource final : public UsageSource {
public:
    // runnerPath: the script runner the installed helper command names.
    explicit ClaudeUsageSource(QString runnerPath);
    ClaudeUsageSource();

    std::optional<UsageSnapshot> loadSnapshot() override;
    bool isAvailable() override;
    void prepare() override;

private:
    QString m_runnerPath;
};

} // namespace tallyglass
