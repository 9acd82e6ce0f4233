#pragma once

#include "core/clock.h"

#include <atomic>

namespace tallyglass::testing {

class FakeClock final : public Clock {
public:
    explicit FakeClock(double now = 1'800'000'000.0)
        : m_now(now) {}
    double now() const override { return m_now.load(); }
    void set(double now) { m_now.store(now); }

private:
    std::atomic<double> m_now;
};

} // namespace tallyglass::testing
