// How long each server call took, to the microsecond, for the status line:
// the session's clock counts whole milliseconds (a script's is virtual), too
// coarse for a local call, so the server is wrapped in a stopwatch.
#pragma once

#include "server/automation_object.h"

#include <chrono>
#include <string>

namespace vantrel {

// "0.4 ms" below 10 ms, "52 ms" up to a second, "1.3 s" above (rounded).
std::string formatDuration(std::chrono::microseconds duration);

// Passes every call to `inner` and keeps how long the last one took,
// whether it returned or failed.
class TimedServer : public AutomationObject {
public:
    explicit TimedServer(AutomationObject& inner) : m_inner(inner) {}

    void put(std::string_view member, const Value& value) override;
    Value get(std::string_view member, const std::optional<Value>& argument) override;
    Value call(std::string_view member, const std::optional<Value>& argument) override;

    std::chrono::microseconds lastDuration() const { return m_last; }

private:
    class Stopwatch;
    AutomationObject& m_inner;
    std::chrono::microseconds m_last{0};
};

} // namespace vantrel
