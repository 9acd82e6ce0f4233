#pragma once

#include "change_watch.h"
#include "core/usage_source.h"
#include "session_discovery.h"

#include <optional>
#include <vector>

namespace tallyglass {

// Codex's limits, from the rate-limit events in its session logs. Remembers the identity of
// the logs it read and the reading they gave, so a refresh that finds them unchanged opens no
// file. All of them, not only the newest: a log stamped in the future (a clock set wrong for a
// while) would otherwise stay newest and freeze the reading while Codex writes elsewhere.
// Used only from its executor (see SourceActor), so the cache needs no lock.
class CodexUsageSource final : public UsageSource {
public:
    // Files read on a change: the most recently modified ones.
    static constexpr std::size_t filesRead = 5;

    std::optional<UsageSnapshot> loadSnapshot() override;
    // Whether the "sessions" folder of the Codex home exists and is a folder.
    bool isAvailable() override;
    SetupReport prepare() override { return {}; }
    std::vector<QString> diagnosis() override;

private:
    bool unchanged(const std::vector<Candidate>& candidates) const;

    ChangeWatch m_sessions;
    // The newest first; empty before the first load and after one that found no log.
    std::vector<CacheKey> m_cacheKeys;
    std::optional<UsageSnapshot> m_cached;
};

} // namespace tallyglass
