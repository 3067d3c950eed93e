// Everything a handler needs, without a window: a session over a recording
// server (or the real embedded server with a hand-moved clock), queued
// prompts, a recording window host and a waiter that returns at once.
// Plain C++ on the session and the forecourt: no widgets, no utility.
#pragma once

#include "recording_server.h"

#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"
#include "session/queued_prompter.h"
#include "session/recording_window_host.h"
#include "session/session.h"

#include <functional>
#include <memory>
#include <string>

namespace vantrel::test {

// Builds a string from a literal that holds NUL bytes: bytes("A\0"s) and friends.
inline std::string bytes(const char* text, std::size_t size) { return std::string(text, size); }
template <std::size_t N>
std::string lit(const char (&text)[N]) { return std::string(text, N - 1); }

// A waiter that returns at once and runs `action` with the number of the wait (1, 2, ...).
class ActingWaiter : public Waiter {
public:
    std::function<void(int wait)> action;
    void wait(std::int16_t& counter, int) override
    {
        ++m_waits;
        if (action)
            action(m_waits);
        counter = 0;
    }

private:
    int m_waits = 0;
};

struct SessionRig {
    RecordingServer server;
    QueuedPrompter prompter;
    RecordingWindowHost windows;
    ImmediateWaiter waiter;
    Session session{server, prompter, windows, waiter};

    SessionRig() { windows.attach(&session); }
    // Selects position n as a click on the selector does.
    void select(int n);
};

struct ForecourtRig {
    std::shared_ptr<forecourt::ManualClock> clock = std::make_shared<forecourt::ManualClock>();
    forecourt::ForecourtServer server{clock};
    QueuedPrompter prompter;
    RecordingWindowHost windows;
    ImmediateWaiter waiter;
    Session session{server, prompter, windows, waiter};

    ForecourtRig() { windows.attach(&session); }
    void select(int n);
    void advance(int milliseconds) { clock->advance(forecourt::Millis(milliseconds)); }
};

} // namespace vantrel::test

