#pragma once

#include "core/usage_records.h"
#include "rollout_parsing.h"

#include <map>
#include <optional>
#include <string>

namespace tallyglass {

// The latest event of every limit family across the files read, and the reading they make:
// the main windows (keyed by their length, else "five_hour" and "seven_day") from the account's
// own family, or from the latest event of any family when the account's has none; every other
// family's windows as further windows named after the family, under "<limit_id>." and the key
// of their length, else "<limit_id>.primary" and "<limit_id>.secondary". The model, plan and
// time follow the main windows' event.
class LimitFamilies {
public:
    // Files are added newest first: on equal times the event of the file added first stays.
    void add(RolloutEvents events);
    std::optional<UsageSnapshot> snapshot() const;

private:
    struct Latest {
        FamilyEvent event;
        std::optional<std::string> model;
        std::size_t file = 0;
    };
    const Latest* mainFamily() const;

    std::map<std::string, Latest> m_latest;
    std::size_t m_files = 0;
};

} // namespace tallyglass
