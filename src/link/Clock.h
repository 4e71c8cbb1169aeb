#pragma once

#include <chrono>

namespace tqv {

using Millis = std::chrono::milliseconds;

// A millisecond tick count and a sleep: procedures with time limits read time only through this,
// so tests drive them with a fake clock and no real waiting.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; never goes backwards.
    virtual Millis now() const = 0;
    virtual void sleepFor(Millis duration) = 0;
};

// The machine's monotonic clock.
class SteadyClock final : public Clock {
public:
    Millis now() const override;
    void sleepFor(Millis duration) override;
};

} // namespace tqv
