#include "codex_usage_source.h"

#include "codex_home.h"
#include "tail_scanning.h"

#include <QFileInfo>

#include <algorithm>

namespace tallyglass {

std::optional<UsageSnapshot> CodexUsageSource::loadSnapshot() {
    const std::vector<Candidate> candidates = findCandidates(codexHome());
    if (candidates.empty()) {
        m_cacheKey.reset();
        m_cached.reset();
        return std::nullopt;
    }
    if (m_cacheKey && *m_cacheKey == candidates.front().key)
        return m_cached;

    // The reading Codex recorded last wins, not the one from the newest file; on a tie the
    // newer file's stays. Every one of the files is read, even after a hit.
    std::optional<UsageSnapshot> best;
    const std::size_t count = std::min(filesRead, candidates.size());
    for (std::size_t i = 0; i < count; ++i) {
        auto snapshot = snapshotFromFile(candidates[i]);
        if (snapshot && (!best || snapshot->updatedAt > best->updatedAt))
            best = std::move(snapshot);
    }
    m_cacheKey = candidates.front().key;
    m_cached = best;
    return best;
}

bool CodexUsageSource::isAvailable() {
    return QFileInfo(codexHome() + QStringLiteral("/sessions")).isDir();
}

} // namespace tallyglass
