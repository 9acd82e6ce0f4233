#include "codex_usage_source.h"

#include "codex_home.h"
#include "limit_families.h"
#include "rollout_diagnosis.h"
#include "tail_reader.h"
#include "tail_scanning.h"

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
    const std::vector<Candidate> candidates = m_sessions.newest(codexHome(), filesRead);
    if (candidates.empty()) {
        m_cacheKeys.clear();
        m_cached.reset();
        return std::nullopt;
    }
    if (unchanged(candidates))
        return m_cached;

    // The reading Codex recorded last wins, not the one from the newest file; on a tie the
    // newer file's stays. Every one of the files is read, even after a hit.
    LimitFamilies families;
    m_cacheKeys.clear();
    for (std::size_t i = 0; i < std::min(filesRead, candidates.size()); ++i) {
        families.add(eventsFromFile(candidates[i]));
        m_cacheKeys.push_back(candidates[i].key);
    }
    m_cached = families.snapshot();
    return m_cached;
}

bool CodexUsageSource::isAvailable() {
    return m_sessions.hasSessionsFolder(codexHome());
}

std::vector<QString> CodexUsageSource::diagnosis() {
    const QString home = codexHome();
    if (!isAvailable())
        return {QStringLiteral("The Codex home %1 has no \"sessions\" folder.").arg(home)};
    if (m_sessions.newest(home, filesRead).empty())
        return {QStringLiteral("No reading yet: no session log under %1.").arg(home)};
    if (loadSnapshot())
        return {};
    for (const Candidate& candidate : m_sessions.newest(home, filesRead)) {
        const TailLines tail = readTailLines(candidate.path(), largestTailLength);
        if (const auto reason = unusableEventReason(tail.lines()))
            return {QStringLiteral("No reading yet: the latest rate-limit event in %1 is not "
                                   "usable: %2.")
                        .arg(QString::fromStdString(candidate.path()),
                             QString::fromStdString(*reason))};
    }
    return {QStringLiteral("No reading yet: none of the %1 newest session logs holds a "
                           "rate-limit event with a usable window.")
                .arg(filesRead)};
}

} // namespace tallyglass
