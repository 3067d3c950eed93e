// Pressing the fueling buttons of the main window by their object names,
// through the same control table and handler runner a click uses, and a
// log of what a press did, in order.
#pragma once

#include "fueling/fueling_controls.h"
#include "session/handler_runner.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantrel::test {

inline Handler fuelingHandler(const std::string& name)
{
    for (auto& button : fueling::mainWindowButtons())
        if (button.name == name)
            return button.handler;
    ADD_FAILURE() << "no fueling button " << name;
    return {};
}

// Runs the button's handler as a click does; true when it ran to its end.
inline bool press(Session& session, const std::string& name) { return runHandler(session, fuelingHandler(name)); }

// "message:<text>", "put:<member>", "get:<member>", "input:<title>" in the order they happened.
class EventLog : public SessionObserver {
public:
    explicit EventLog(Session& session) : m_session(session) { session.addObserver(this); }
    ~EventLog() override { m_session.removeObserver(this); }
    void callMade(const CallEvent& e) override
    {
        events.push_back(std::string(accessName(e.access)) + ":" + e.member);
    }
    void messageShown(std::string_view, std::string_view text) override { events.push_back("message:" + std::string(text)); }
    void inputAnswered(std::string_view title, std::string_view, std::string_view) override
    {
        events.push_back("input:" + std::string(title));
    }
    std::vector<std::string> events;

private:
    Session& m_session;
};

} // namespace vantrel::test
