#pragma once

#include "core/usage_model.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace tallyglass::testing {

// A source whose answers the test sets and whose calls the test can hold and release, to
// stage the interleavings the model must survive. Thread-safe: it is called on its executor.
class FakeSource final : public UsageSource {
public:
    // Shared between the test and the source, which the model owns.
    struct State {
        void setResult(std::optional<UsageSnapshot> next, bool nextAvailable = true) {
            std::lock_guard lock(mutex);
            snapshot = std::move(next);
            available = nextAvailable;
        }
        // While held, every call (or only the one named) waits, after being logged, until
        // released.
        void hold(bool value = true, std::string onlyCall = {}) {
            std::lock_guard lock(mutex);
            held = value;
            heldCall = std::move(onlyCall);
            changed.notify_all();
        }
        void release() { hold(false); }
        std::vector<std::string> calls() const {
            std::lock_guard lock(mutex);
            return log;
        }
        std::size_t count(const std::string& call) const {
            return std::size_t(std::ranges::count(calls(), call));
        }
        // Blocks the test until at least n calls are logged (or a few seconds pass).
        bool waitForCalls(std::size_t n) const {
            std::unique_lock lock(mutex);
            return changed.wait_for(lock, std::chrono::seconds(5), [&] { return log.size() >= n; });
        }
        std::unique_lock<std::mutex> enter(const char* call) {
            std::unique_lock lock(mutex);
            log.emplace_back(call);
            changed.notify_all();
            changed.wait(lock, [&] { return !held || (!heldCall.empty() && heldCall != call); });
            return lock;
        }

        mutable std::mutex mutex;
        mutable std::condition_variable changed;
        std::optional<UsageSnapshot> snapshot;
        bool available = true, held = false;
        std::string heldCall;
        std::atomic<bool> throws = false;
        std::vector<std::string> log;
    };

    explicit FakeSource(std::shared_ptr<State> state)
        : m_state(std::move(state)) {}

    std::optional<UsageSnapshot> loadSnapshot() override {
        const auto lock = m_state->enter("loadSnapshot");
        if (m_state->throws)
            throw std::runtime_error("unreadable");
        return m_state->snapshot;
    }
    bool isAvailable() override {
        const auto lock = m_state->enter("isAvailable");
        return m_state->available;
    }
    void prepare() override { m_state->enter("prepare"); }

private:
    std::shared_ptr<State> m_state;
};

// A source per state given: Claude Code always, Codex when given.
inline SourceTable fakeSources(std::shared_ptr<FakeSource::State> claude,
                               std::shared_ptr<FakeSource::State> codex = nullptr) {
    SourceTable sources;
    for (auto [kind, state] : {std::pair{SourceKind::claude, claude}, {SourceKind::codex, codex}})
        if (state)
            sources[kind] = std::make_shared<SourceActor>(std::make_unique<FakeSource>(state));
    return sources;
}

} // namespace tallyglass::testing
