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
    // Time a slow answer takes (a member's slow fault): the site's time moves on by it.
    virtual void pass(Millis by) = 0;
};

class SteadyClock : public Clock {
public:
    Millis now() const override;
    // The steady clock cannot be moved: the site's time is kept that much ahead of it.
    void pass(Millis by) override { m_ahead += by; }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    Millis m_ahead{0};
};

class ManualClock : public Clock {
public:
    Millis now() const override { return m_now; }
    void pass(Millis by) override { advance(by); }
    void advance(Millis by) { m_now += by; }

private:
    Millis m_now{0};
};

} // namespace vantrel::forecourt
