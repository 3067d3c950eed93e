#include "clock.h"

namespace vantrel::forecourt {

Millis SteadyClock::now() const
{
    return std::chrono::duration_cast<Millis>(std::chrono::steady_clock::now() - m_start) + m_ahead;
}

} // namespace vantrel::forecourt
