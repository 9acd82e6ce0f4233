#include "fake_source.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

namespace tallyglass::testing {

FakeSource::FakeSource(std::shared_ptr<State> state)
    : m_state(std::move(state)) {}

std::optional<UsageSnapshot> FakeSource::loadSnapshot() {
    m_state->enter("loadSnapshot");
    std::lock_guard lock(m_state->mutex);
    if (m_state->throws)
        throw std::runtime_error("unreadable");
    return m_state->snapshot;
}

bool FakeSource::isAvailable() {
    m_state->enter("isAvailable");
    std::lock_guard lock(m_state->mutex);
    return m_state->available;
}

void FakeSource::prepare() {
    m_state->enter("prepare");
}

void FakeSource::State::enter(const char* call) {
    std::unique_lock lock(mutex);
    log.emplace_back(call);
    changed.notify_all();
    changed.wait(lock, [this] { return !held; });
}

void FakeSource::State::setResult(std::optional<UsageSnapshot> next, bool nextAvailable) {
    std::lock_guard lock(mutex);
    snapshot = std::move(next);
    available = nextAvailable;
}

void FakeSource::State::hold() {
    std::lock_guard lock(mutex);
    held = true;
}

void FakeSource::State::release() {
    std::lock_guard lock(mutex);
    held = false;
    changed.notify_all();
}

std::vector<std::string> FakeSource::State::calls() const {
    std::lock_guard lock(mutex);
    return log;
}

std::size_t FakeSource::State::count(const std::string& call) const {
    std::lock_guard lock(mutex);
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), call));
}

bool FakeSource::State::waitForCalls(std::size_t n) const {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(5), [&] { return log.size() >= n; });
}

} // namespace tallyglass::testing
