#include "limit_families.h"

#include "core/window_lengths.h"

namespace tallyglass {
namespace {

// Later first; on equal times the newer file, then the earlier line.
bool laterThan(const FamilyEvent& a, std::size_t fileA, const FamilyEvent& b, std::size_t fileB) {
    if (a.timestamp != b.timestamp)
        return a.timestamp > b.timestamp;
    return fileA != fileB ? fileA < fileB : a.line < b.line;
}

} // namespace

void LimitFamilies::add(RolloutEvents events) {
    const std::size_t file = m_files++;
    for (FamilyEvent& event : events.families) {
        const auto known = m_latest.find(event.limitId);
        if (known != m_latest.end() && event.timestamp <= known->second.event.timestamp)
            continue;
        const std::string id = event.limitId;
        m_latest.insert_or_assign(id, Latest{std::move(event), events.model, file});
    }
}

const LimitFamilies::Latest* LimitFamilies::mainFamily() const {
    if (const auto account = m_latest.find(std::string()); account != m_latest.end())
        return &account->second;
    const Latest* latest = nullptr;
    for (const auto& [id, entry] : m_latest)
        if (!latest || laterThan(entry.event, entry.file, latest->event, latest->file))
            latest = &entry;
    return latest;
}

std::optional<UsageSnapshot> LimitFamilies::snapshot() const {
    const Latest* main = mainFamily();
    if (!main)
        return std::nullopt;
    UsageSnapshot snapshot;
    snapshot.updatedAt = main->event.timestamp;
    snapshot.model = main->model;
    snapshot.planType = main->event.planType;
    // A plan without the five-hour limit sends its weekly one as "primary".
    const SlotKeys keys = slotKeys(main->event.primary, main->event.secondary);
    if (main->event.primary)
        snapshot.windows.emplace(keys.primary, *main->event.primary);
    if (main->event.secondary)
        snapshot.windows.emplace(keys.secondary, *main->event.secondary);
    for (const auto& [id, entry] : m_latest) {
        if (&entry == main)
            continue;
        const SlotKeys family =
            slotKeys(entry.event.primary, entry.event.secondary, {"primary", "secondary"});
        const std::pair<std::string_view, const std::optional<UsageWindow>*> slots[] = {
            {family.primary, &entry.event.primary}, {family.secondary, &entry.event.secondary}};
        for (const auto& [key, window] : slots) {
            if (!*window)
                continue;
            UsageWindow named = **window;
            named.family = entry.event.name;
            snapshot.windows.emplace(id + '.' + std::string(key), std::move(named));
        }
    }
    return snapshot;
}

} // namespace tallyglass
