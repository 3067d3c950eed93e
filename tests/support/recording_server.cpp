#include "recording_server.h"

#include "session/window_host.h"

#include <gtest/gtest.h>

namespace vantrel::test {

void RecordingServer::fail(const std::string& member, int number, std::string description, int fromCall)
{
    m_failures[member] = {number, std::move(description), fromCall};
}

void RecordingServer::maybeFail(const std::string& member)
{
    const int count = ++m_counts[member];
    if (m_closing.count(member))
        throw SessionClosing{};
    const auto it = m_failures.find(member);
    if (it != m_failures.end() && count >= it->second.fromCall)
        throw AutomationError(it->second.number, it->second.description);
}

void RecordingServer::put(std::string_view member, const Value& value)
{
    m_calls.push_back({Access::Put, std::string(member), value});
    maybeFail(std::string(member));
}

Value RecordingServer::read(Access access, std::string_view member, const std::optional<Value>& argument)
{
    m_calls.push_back({access, std::string(member), argument});
    maybeFail(std::string(member));
    auto it = m_answers.find(std::string(member));
    if (it == m_answers.end() || it->second.empty())
        return Value::string("answer of " + std::string(member));
    Value v = it->second.front();
    if (it->second.size() > 1)
        it->second.pop_front();
    return v;
}

Value RecordingServer::get(std::string_view member, const std::optional<Value>& argument)
{
    return read(Access::Get, member, argument);
}

Value RecordingServer::call(std::string_view member, const std::optional<Value>& argument)
{
    return read(Access::Call, member, argument);
}

std::vector<std::string> RecordingServer::putsTo(const std::string& member) const
{
    std::vector<std::string> values;
    for (const auto& c : m_calls)
        if (c.access == Access::Put && c.member == member && c.value && c.value->type() == Value::Type::String)
            values.push_back(c.value->asString());
    return values;
}

std::string RecordingServer::onlyPut() const
{
    std::vector<std::string> values;
    for (const auto& c : m_calls)
        if (c.access == Access::Put && c.value && c.value->type() == Value::Type::String)
            values.push_back(c.value->asString());
    EXPECT_EQ(values.size(), 1u) << "expected exactly one put";
    return values.empty() ? std::string() : values.front();
}

} // namespace vantrel::test
