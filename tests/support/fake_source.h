#pragma once

#include "core/usage_source.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace tallyglass::testing {

// A source whose answers the test sets and whose calls the test can hold and release, to
// stage the interleavings the model must survive. Thread-safe: it is called on its executor.
class FakeSource final : public UsageSource {
public:
    struct State;

    explicit FakeSource(std::shared_ptr<State> state);

    std::optional<UsageSnapshot> loadSnapshot() override;
    bool isAvailable() override;
    void prepare() override;

private:
    std::shared_ptr<State> m_state;
};

// Shared between the test and the source, which the model owns.
struct FakeSource::State {
    void setResult(std::optional<UsageSnapshot> snapshot, bool available = true);
    // While held, every call waits (after being logged) until released.
    void hold();
    void release();
    std::vector<std::string> calls() const;
    std::size_t count(const std::string& call) const;
    // Blocks the test until at least n calls are logged (or a few seconds pass).
    bool waitForCalls(std::size_t n) const;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::optional<UsageSnapshot> snapshot;
    bool available = true;
    bool held = false;
    std::atomic<bool> throws = false;
    std::vector<std::string> log;

    void enter(const char* call);
};

} // namespace tallyglass::testing
