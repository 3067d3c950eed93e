#include "long_run.h"

namespace vantrel::suites {

LongRun::LongRun(Session& s, std::string name, int steps, long totalMs) : m_s(s)
{
    m_s.clearStop();
    m_progress.run = std::move(name);
    m_progress.steps = steps;
    m_progress.msLeft = totalMs;
}

LongRun::~LongRun()
{
    m_progress.running = false;
    if (m_finished)
        m_progress.outcome = "done";
    else
        m_progress.outcome = "ended at step " + std::to_string(m_progress.step) + " of " + std::to_string(m_progress.steps);
    m_s.clearStop();
    m_s.reportProgress(m_progress);
}

void LongRun::step(std::string label)
{
    if (m_s.stopRequested()) {
        const std::string where = m_progress.step == 0
                                      ? std::string("before its first step")
                                      : "after step " + std::to_string(m_progress.step) + " of " +
                                            std::to_string(m_progress.steps) + " (" + m_progress.label + ")";
        throw RunStopped{"\"" + m_progress.run + "\" was stopped " + where + ". Nothing more was sent."};
    }
    ++m_progress.step;
    m_progress.label = std::move(label);
    m_s.reportProgress(m_progress);
}

void LongRun::waited(long ms)
{
    m_progress.msLeft = m_progress.msLeft > ms ? m_progress.msLeft - ms : 0;
    m_s.reportProgress(m_progress);
}

} // namespace vantrel::suites
