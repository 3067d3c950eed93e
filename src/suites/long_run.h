// A long run of a test suite (a multi-packet sequence, a 1K display test):
// it tells the session where it stands at every step, so that a window can
// show step N of M, the step's label and the time left, and it ends at the
// next step when a stop was asked for, saying where it stopped.
#pragma once

#include "session/session.h"

#include <string>

namespace vantrel::suites {

class LongRun {
public:
    // `totalMs` is the sum of the run's waits.
    LongRun(Session& s, std::string name, int steps, long totalMs);
    ~LongRun();
    LongRun(const LongRun&) = delete;
    LongRun& operator=(const LongRun&) = delete;

    // Starts the next step; throws RunStopped instead when a stop was asked for.
    void step(std::string label);
    // A wait of the step in progress has passed.
    void waited(long ms);
    // Every step has run.
    void finish() { m_finished = true; }

private:
    Session& m_s;
    Progress m_progress;
    bool m_finished = false;
};

} // namespace vantrel::suites
