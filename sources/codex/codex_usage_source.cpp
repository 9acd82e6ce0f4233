#include "codex_usage_source.h"

#include "codex_home.h"
#include "tail_scanning.h"

#include <QFileInfo>

#include <algorithm>

namespace tallyglass {

bool CodexUsageSource::unchanged(const std::vector<Candidate>& candidates) const {
    const std::size_t count = std::min(filesRead, candidates.size());
    if (m_cacheKeys.size() != count)
        return false;
    return std::equal(
        m_cacheKeys.begin(), m_cacheKeys.end(), candidates.begin(),
        [](const CacheKey& key, const Candidate& candidate) { return key == candidate.key; });
}

std::optional<UsageSnapshot> CodexUsageSource::loadSnapshot() {
    const std::vector<Candidate> candidates = findCandidates(codexHome());
    if (candidates.empty()) {
        m_cacheKeys.clear();
        m_cached.reset();
        return std::nullopt;
    }
    if (unchanged(candidates))
        return m_cached;

    // The reading Codex recorded last wins, not the one from the newest file; on a tie the
    // newer file's stays. Every one of the files is read, even after a hit.
    std::optional<UsageSnapshot> best;
    m_cacheKeys.clear();
    for (std::size_t i = 0; i < std::min(filesRead, candidates.size()); ++i) {
        auto snapshot = snapshotFromFile(candidates[i]);
        if (snapshot && (!best || snapshot->updatedAt > best->updatedAt))
            best = std::move(snapshot);
        m_cacheKeys.push_back(candidates[i].key);
    }
    m_cached = best;
    return best;
}

bool CodexUsageSource::isAvailable() {
    return QFileInfo(codexHome() + QStringLiteral("/sessions")).isDir();
}

} // namespace tallyglass
