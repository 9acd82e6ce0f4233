#pragma once

#include "usage_source.h"

#include <QFuture>

#include <atomic>
#include <memory>
#include <thread>

namespace tallyglass {

// Set once a load is superseded; a load that has not started by then is skipped.
using CancelFlag = std::shared_ptr<const std::atomic<bool>>;

// Gives a UsageSource its own serial executor: its operations run one at a time, in the
// order requested, on a worker thread, and callers await them through futures. A source that
// throws is logged and answers as one that found nothing. Destroying the actor never waits:
// what is queued is dropped, and an operation still running finishes on its own.
class SourceActor final {
public:
    explicit SourceActor(std::unique_ptr<UsageSource> source);
    ~SourceActor();

    SourceActor(const SourceActor&) = delete;
    SourceActor& operator=(const SourceActor&) = delete;

    // A skipped call's future is cancelled.
    QFuture<std::optional<UsageSnapshot>> loadSnapshot(CancelFlag cancelled = nullptr);
    QFuture<bool> isAvailable(CancelFlag cancelled = nullptr);
    QFuture<SetupReport> prepare();
    QFuture<std::vector<QString>> diagnosis();

    struct Queue;

private:
    std::shared_ptr<Queue> m_queue;
    std::thread m_worker;
};

} // namespace tallyglass
