#pragma once

namespace tallyglass {

// The one way the program asks what time it is, so tests can replace it.
class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual double now() const = 0;
};

class SystemClock final : public Clock {
public:
    double now() const override;
};

} // namespace tallyglass
