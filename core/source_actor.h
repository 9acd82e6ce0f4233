#pragma once

#include "usage_source.h"

#include <QFuture>
#include <QThreadPool>

#include <memory>

namespace tallyglass {

// Gives a UsageSource its own serial executor: its operations run one at a time, in the
// order requested, on a worker thread, and callers await them through futures.
class SourceActor final {
public:
    explicit SourceActor(std::unique_ptr<UsageSource> source);
    ~SourceActor();

    SourceActor(const SourceActor&) = delete;
    SourceActor& operator=(const SourceActor&) = delete;

    QFuture<std::optional<UsageSnapshot>> loadSnapshot();
    QFuture<bool> isAvailable();
    QFuture<void> prepare();

    UsageSource& source() { return *m_source; }

private:
    // Declared before the executor so the executor is drained before the source goes.
    std::unique_ptr<UsageSource> m_source;
    QThreadPool m_executor;
};

} // namespace tallyglass
