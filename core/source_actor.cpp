#include "source_actor.h"

#include <QPromise>
#include <QtDebug>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>

namespace tallyglass {

// Not a QThreadPool: its destructor waits for the running task, and Quit must not wait for a
// slow source. The worker owns the queue and the source together, so it may outlive the actor.
struct SourceActor::Queue {
    std::shared_ptr<UsageSource> source;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool closed = false;

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return closed || !tasks.empty(); });
            if (closed)
                return;
            std::function<void()> task = std::move(tasks.front());
            tasks.pop_front();
            lock.unlock();
            task();
            task = nullptr;
            lock.lock();
        }
    }

    void push(std::function<void()> task) {
        {
            std::lock_guard lock(mutex);
            tasks.push_back(std::move(task));
        }
        wake.notify_one();
    }
};

namespace {

// The source's answer, or the answer of a source that found nothing when it throws.
template <typename T, typename F> T answerOf(F&& operation, T nothing, const char* name) {
    try {
        return operation();
    } catch (const std::exception& error) {
        qWarning("Tallyglass: a source failed in %s: %s", name, error.what());
    } catch (...) {
        qWarning("Tallyglass: a source failed in %s", name);
    }
    return nothing;
}

template <typename T, typename F>
QFuture<T> enqueue(SourceActor::Queue& queue, CancelFlag cancelled, F operation) {
    auto promise = std::make_shared<QPromise<T>>();
    QFuture<T> future = promise->future();
    promise->start();
    // A promise that goes without a result cancels its future: a skipped call publishes nothing.
    queue.push([promise, cancelled = std::move(cancelled), operation = std::move(operation)] {
        if (cancelled && cancelled->load())
            return;
        if constexpr (std::is_void_v<T>)
            operation();
        else
            promise->addResult(operation());
        promise->finish();
    });
    return future;
}

} // namespace

SourceActor::SourceActor(std::unique_ptr<UsageSource> source)
    : m_queue(std::make_shared<Queue>()) {
    m_queue->source = std::move(source);
    m_worker = std::thread([queue = m_queue] { queue->run(); });
}

SourceActor::~SourceActor() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(m_queue->mutex);
        m_queue->closed = true;
        dropped.swap(m_queue->tasks);
    }
    m_queue->wake.notify_one();
    m_worker.detach();
}

QFuture<std::optional<UsageSnapshot>> SourceActor::loadSnapshot(CancelFlag cancelled) {
    return enqueue<std::optional<UsageSnapshot>>(
        *m_queue, std::move(cancelled), [source = m_queue->source] {
            return answerOf<std::optional<UsageSnapshot>>([&] { return source->loadSnapshot(); },
                                                          std::nullopt, "loadSnapshot");
        });
}

QFuture<bool> SourceActor::isAvailable(CancelFlag cancelled) {
    return enqueue<bool>(*m_queue, std::move(cancelled), [source = m_queue->source] {
        return answerOf<bool>([&] { return source->isAvailable(); }, false, "isAvailable");
    });
}

QFuture<SetupReport> SourceActor::prepare() {
    return enqueue<SetupReport>(*m_queue, nullptr, [source = m_queue->source] {
        return answerOf<SetupReport>([&] { return source->prepare(); }, {}, "prepare");
    });
}

QFuture<std::vector<QString>> SourceActor::diagnosis() {
    return enqueue<std::vector<QString>>(*m_queue, nullptr, [source = m_queue->source] {
        return answerOf<std::vector<QString>>([&] { return source->diagnosis(); }, {}, "diagnosis");
    });
}

} // namespace tallyglass
