#include "source_actor.h"

#include <QtConcurrent/QtConcurrentRun>

namespace tallyglass {

SourceActor::SourceActor(std::unique_ptr<UsageSource> source)
    : m_source(std::move(source)) {
    // One thread makes the pool a serial executor: tasks of equal priority run in FIFO order.
    m_executor.setMaxThreadCount(1);
}

SourceActor::~SourceActor() {
    m_executor.waitForDone();
}

QFuture<std::optional<UsageSnapshot>> SourceActor::loadSnapshot() {
    return QtConcurrent::run(&m_executor,
                             [source = m_source.get()] { return source->loadSnapshot(); });
}

QFuture<bool> SourceActor::isAvailable() {
    return QtConcurrent::run(&m_executor,
                             [source = m_source.get()] { return source->isAvailable(); });
}

QFuture<void> SourceActor::prepare() {
    return QtConcurrent::run(&m_executor, [source = m_source.get()] { source->prepare(); });
}

} // namespace tallyglass
