#include "session.h"

#include "server/automation_error.h"

#include <algorithm>

namespace vantrel {

const char* boxName(Box box)
{
    switch (box) {
    case Box::TextBox: return "TextBox";
    case Box::InBox: return "InBox";
    case Box::TextBoxPumpNumber: return "TextBoxPumpNumber";
    case Box::DeviceData: return "DeviceData";
    }
    return "?";
}

class Session::ObservedServer : public AutomationObject {
public:
    ObservedServer(AutomationObject& inner, const std::vector<SessionObserver*>& observers)
        : m_inner(inner), m_observers(observers)
    {
    }

    void put(std::string_view member, const Value& value) override
    {
        CallEvent event{Access::Put, std::string(member), value, std::nullopt};
        try {
            m_inner.put(member, value);
        } catch (const AutomationError& e) {
            failed(event, e);
            throw;
        }
        for (auto* o : m_observers)
            o->callMade(event);
    }

    Value get(std::string_view member, const std::optional<Value>& argument) override
    {
        return read(Access::Get, member, argument);
    }

    Value call(std::string_view member, const std::optional<Value>& argument) override
    {
        return read(Access::Call, member, argument);
    }

private:
    Value read(Access access, std::string_view member, const std::optional<Value>& argument)
    {
        CallEvent event{access, std::string(member), argument, std::nullopt};
        Value result;
        try {
            result = access == Access::Get ? m_inner.get(member, argument) : m_inner.call(member, argument);
        } catch (const AutomationError& e) {
            failed(event, e);
            throw;
        }
        event.result = result;
        for (auto* o : m_observers)
            o->callMade(event);
        return result;
    }

    void failed(const CallEvent& event, const AutomationError& e)
    {
        for (auto* o : m_observers)
            o->callMade(event);
        for (auto* o : m_observers)
            o->callFailed(event.member, e.number(), e.description());
    }

    AutomationObject& m_inner;
    const std::vector<SessionObserver*>& m_observers;
};

class Session::ObservedPrompter : public Prompter {
public:
    ObservedPrompter(Prompter& inner, const std::vector<SessionObserver*>& observers)
        : m_inner(inner), m_observers(observers)
    {
    }
    using Prompter::message;

    void message(std::string_view text, std::string_view title) override
    {
        for (auto* o : m_observers)
            o->messageShown(title, text);
        m_inner.message(text, title);
    }

    bool question(std::string_view text, std::string_view title) override
    {
        const bool yes = m_inner.question(text, title);
        for (auto* o : m_observers)
            o->questionAnswered(title, text, yes);
        return yes;
    }

    std::string input(std::string_view prompt, std::string_view title) override
    {
        std::string answer = m_inner.input(prompt, title);
        for (auto* o : m_observers)
            o->inputAnswered(title, prompt, answer);
        return answer;
    }

private:
    Prompter& m_inner;
    const std::vector<SessionObserver*>& m_observers;
};

Session::Session(AutomationObject& server, Prompter& prompter, WindowHost& windows, Waiter& waiter)
    : m_server(std::make_unique<ObservedServer>(server, m_observers)),
      m_prompter(std::make_unique<ObservedPrompter>(prompter, m_observers)),
      m_windows(windows),
      m_waiter(waiter)
{
}

Session::~Session() = default;

AutomationObject& Session::server() { return *m_server; }
Prompter& Session::prompter() { return *m_prompter; }

void Session::setBox(Box which, std::string text)
{
    m_boxes[static_cast<std::size_t>(which)] = std::move(text);
    const std::string& stored = m_boxes[static_cast<std::size_t>(which)];
    for (auto* o : m_observers)
        o->boxChanged(which, stored);
}

void Session::waitTicks(std::int16_t& counter, int ticks)
{
    for (auto* o : m_observers)
        o->waitStarted(ticks);
    m_waiter.wait(counter, ticks);
}

void Session::addObserver(SessionObserver* observer) { m_observers.push_back(observer); }

void Session::removeObserver(SessionObserver* observer)
{
    m_observers.erase(std::remove(m_observers.begin(), m_observers.end(), observer), m_observers.end());
}

void Session::notifyWindow(std::string_view window, bool shown)
{
    for (auto* o : m_observers)
        o->windowShown(window, shown);
}

} // namespace vantrel
