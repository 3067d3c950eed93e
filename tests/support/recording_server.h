// A stand-in automation server for handler tests: it records every call
// with its value or argument, answers reads from values the test sets, and
// fails the members the test names with the error the test gives.
#pragma once

#include "server/automation_error.h"
#include "server/automation_object.h"

#include <deque>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::test {

struct RecordedCall {
    Access access;
    std::string member;
    std::optional<Value> value; // put: the value; reads: the argument
};

class RecordingServer : public AutomationObject {
public:
    void put(std::string_view member, const Value& value) override;
    Value get(std::string_view member, const std::optional<Value>& argument) override;
    Value call(std::string_view member, const std::optional<Value>& argument) override;

    // Reads of `member` return these values in turn, then the last one again.
    void answer(const std::string& member, Value value) { m_answers[member].push_back(std::move(value)); }
    // Calls of `member` fail with this error (the n-th call on, counting from 1).
    void fail(const std::string& member, int number = 1001, std::string description = "Simulated failure", int fromCall = 1);
    // Calls of `member` end with the main window closing while they wait.
    void closeDuring(const std::string& member) { m_closing.insert(member); }

    const std::vector<RecordedCall>& calls() const { return m_calls; }
    // The values put to `member`, as strings, in order.
    std::vector<std::string> putsTo(const std::string& member) const;
    // The one string put in the whole run; fails the test if there was not exactly one put.
    std::string onlyPut() const;
    void clear() { m_calls.clear(); }

private:
    Value read(Access access, std::string_view member, const std::optional<Value>& argument);
    void maybeFail(const std::string& member);

    struct Failure {
        int number;
        std::string description;
        int fromCall;
    };
    std::vector<RecordedCall> m_calls;
    std::map<std::string, std::deque<Value>> m_answers;
    std::map<std::string, Failure> m_failures;
    std::map<std::string, int> m_counts;
    std::set<std::string> m_closing;
};

} // namespace vantrel::test
