#pragma once

#include "usage_records.h"

#include <optional>

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
    // Set-up awaited before the first load after start-up and after every switch of source.
    virtual void prepare() = 0;
};

} // namespace tallyglass
