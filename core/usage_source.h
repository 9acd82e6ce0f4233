#pragma once

#include "setup_report.h"
#include "usage_records.h"

#include <optional>
#include <vector>

namespace tallyglass {

// What each assistant's source provides. The operations block and never fail; they are only
// ever called on the source's own serial executor (see SourceActor), never on the main thread.
class UsageSource {
public:
    virtual ~UsageSource() = default;

    // The latest usable reading, or none.
    virtual std::optional<UsageSnapshot> loadSnapshot() = 0;
    // Whether the assistant's data location exists on this machine.
    virtual bool isAvailable() = 0;
    // Set-up awaited before the first load after start-up and after every switch of source;
    // says what the user should hear of it.
    virtual SetupReport prepare() = 0;
    // Why there is no reading, or what stands in the way of the next, one sentence each: for
    // reports, never for the panel.
    virtual std::vector<QString> diagnosis() { return {}; }
};

} // namespace tallyglass
