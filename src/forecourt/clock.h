// Time as the simulated forecourt sees it. The server reads the clock
// whenever it is asked something, so sales grow and reports finish in step
// with it; tests inject a ManualClock and move it by hand.
#pragma once

#include <chrono>

namespace vantrel::forecourt {

using Millis = std::chrono::milliseconds;

class Clock {
public:
    virtual ~Clock() = default;
    virtual Millis now() const = 0;
};

class SteadyClock : public Clock {
public:
    Millis now() const override;

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

class ManualClock : public Clock {
public:
    Millis now() const override { return m_now; }
    void advance(Millis by) { m_now += by; }

private:
    Millis m_now{0};
};

} // namespace vantrel::forecourt
