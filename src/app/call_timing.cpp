#include "call_timing.h"

#include <algorithm>
#include <cstdio>

namespace vantrel {

std::string formatDuration(std::chrono::microseconds duration)
{
    const long long us = std::max<long long>(0, duration.count());
    char text[32];
    // Decided on the rounded figure, so that 9.96 ms reads "10 ms", not "10.0 ms".
    if (const long long tenthsMs = (us + 50) / 100; tenthsMs < 100)
        std::snprintf(text, sizeof text, "%lld.%lld ms", tenthsMs / 10, tenthsMs % 10);
    else if (const long long ms = (us + 500) / 1000; ms <= 1000)
        std::snprintf(text, sizeof text, "%lld ms", ms);
    else {
        const long long tenthsS = (us + 50'000) / 100'000;
        std::snprintf(text, sizeof text, "%lld.%lld s", tenthsS / 10, tenthsS % 10);
    }
    return text;
}

class TimedServer::Stopwatch {
public:
    explicit Stopwatch(std::chrono::microseconds& into) : m_into(into) {}
    ~Stopwatch()
    {
        m_into = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - m_start);
    }

private:
    std::chrono::microseconds& m_into;
    const std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

void TimedServer::put(std::string_view member, const Value& value)
{
    const Stopwatch watch(m_last);
    m_inner.put(member, value);
}

Value TimedServer::get(std::string_view member, const std::optional<Value>& argument)
{
    const Stopwatch watch(m_last);
    return m_inner.get(member, argument);
}

Value TimedServer::call(std::string_view member, const std::optional<Value>& argument)
{
    const Stopwatch watch(m_last);
    return m_inner.call(member, argument);
}

} // namespace vantrel
