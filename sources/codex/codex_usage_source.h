#pragma once

#include "core/usage_source.h"
#include "session_discovery.h"

#include <optional>

namespace tallyglass {

// Codex's limits, from the rate-limit events in its session logs. Remembers the newest log's
// identity and the reading it gave, so a refresh that finds that log unchanged opens no file.
// Used only from its executor (see SourceActor), so the cache needs no lock.
class CodexUsageSource final : public UsageSource {
public:
    // Files read on a change: the most recently modified ones.
    static constexpr std::size_t filesRead = 5;

    std::optional<UsageSnapshot> loadSnapshot() override;
    // Whether the "sessions" folder of the Codex home exists and is a folder.
    bool isAvailable() override;
    void prepare() override {}

private:
    std::optional<CacheKey> m_cacheKey;
    std::optional<UsageSnapshot> m_cached;
};

} // namespace tallyglass
