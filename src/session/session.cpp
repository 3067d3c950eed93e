#include "session.h"

#include "handler_runner.h"

#include "server/automation_error.h"

#include <algorithm>
#include <chrono>
#include <utility>

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
    ObservedServer(Session& session, AutomationObject& inner, const std::vector<SessionObserver*>& observers)
        : m_session(session), m_inner(inner), m_observers(observers)
    {
    }

    void put(std::string_view member, const Value& value) override
    {
        CallEvent event = begun(Access::Put, member, value);
        try {
            const DepthScope out(m_session.m_callDepth); // the session is busy while the call is out
            m_inner.put(member, value);
        } catch (const AutomationError& e) {
            failed(event, e);
            throw;
        }
        ended(event);
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
        CallEvent event = begun(access, member, argument);
        Value result;
        try {
            const DepthScope out(m_session.m_callDepth); // the session is busy while the call is out
            result = access == Access::Get ? m_inner.get(member, argument) : m_inner.call(member, argument);
        } catch (const AutomationError& e) {
            failed(event, e);
            throw;
        }
        ended(event);
        // The observers see the result in the event and the caller gets the
        // same bytes back: a large answer is never copied here.
        event.result = std::move(result);
        for (auto* o : m_observers)
            o->callMade(event);
        return std::move(*event.result);
    }

    CallEvent begun(Access access, std::string_view member, const std::optional<Value>& argument)
    {
        CallEvent event{access, std::string(member), argument, std::nullopt, {}, {}, m_session.elapsedMs(), 0};
        if (const UserAction* action = m_session.currentAction()) {
            event.window = action->window;
            event.control = action->control;
        }
        return event;
    }

    void ended(CallEvent& event) { event.durationMs = std::max(0LL, m_session.elapsedMs() - event.atMs); }

    void failed(CallEvent& event, const AutomationError& e)
    {
        ended(event);
        m_session.m_failureReported = true;
        for (auto* o : m_observers)
            o->callMade(event);
        for (auto* o : m_observers)
            o->callFailed(event.member, e.number(), e.description());
    }

    Session& m_session;
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
    : m_clock([start = std::chrono::steady_clock::now()] {
          return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                            std::chrono::steady_clock::now() - start)
                                            .count());
      }),
      m_server(std::make_unique<ObservedServer>(*this, server, m_observers)),
      m_prompter(std::make_unique<ObservedPrompter>(prompter, m_observers)),
      m_windows(windows),
      m_waiter(waiter)
{
}

Session::~Session() = default;

AutomationObject& Session::server() { return *m_server; }
Prompter& Session::prompter() { return *m_prompter; }

std::size_t tailStart(std::string_view text, std::size_t keep, std::size_t slack)
{
    if (text.size() <= keep)
        return 0;
    const std::size_t start = text.size() - keep;
    const auto lineStart = text.find('\n', start);
    if (lineStart != std::string_view::npos && lineStart + 1 - start < slack)
        return lineStart + 1;
    return start;
}

namespace {
// Cuts the oldest part of a box so that at most `keep` bytes stay, starting
// at a line when one starts a little after the cut; returns the bytes cut.
// The kept part is copied into a string of its own size, so a box that was
// handed a huge text gives its memory back.
std::size_t boundBox(std::string& box, std::size_t keep)
{
    const std::size_t cut = tailStart(box, keep, Session::kBoxLimit / 16);
    if (cut)
        box = box.substr(cut);
    return cut;
}
} // namespace

void Session::setBox(Box which, std::string text)
{
    const auto i = static_cast<std::size_t>(which);
    // Every box keeps at most its newest kBoxLimit bytes, whatever a server answered.
    m_dropped[i] = boundBox(text, kBoxLimit);
    m_boxes[i] = std::move(text);
    const std::string& stored = m_boxes[i];
    for (auto* o : m_observers)
        o->boxChanged(which, stored);
}

void Session::appendBox(Box which, std::string_view text)
{
    const auto i = static_cast<std::size_t>(which);
    std::string& box = m_boxes[i];
    if (box.size() + text.size() <= kBoxLimit) {
        box.append(text);
        for (auto* o : m_observers)
            o->boxAppended(which, text, box);
        return;
    }
    // Keep the newest three quarters of the limit, so that the next appends
    // cost only what they add; the views are given the whole box anew. Only
    // the tail of a huge addition is ever copied.
    const std::size_t keep = kBoxLimit / 4 * 3;
    const std::size_t tail = keep + kBoxLimit / 16; // room to start the kept part at a line
    if (text.size() > tail) {
        m_dropped[i] += box.size() + text.size() - tail;
        box.assign(text.substr(text.size() - tail));
    } else {
        box.append(text);
    }
    m_dropped[i] += boundBox(box, keep);
    for (auto* o : m_observers)
        o->boxChanged(which, box);
}

void Session::reportProgress(const Progress& progress)
{
    for (auto* o : m_observers)
        o->progressed(progress);
}

void Session::notifyError(int number, std::string_view description)
{
    for (auto* o : m_observers)
        o->errorRaised(number, description);
}

bool Session::takeReportedFailure() { return std::exchange(m_failureReported, false); }

void Session::waitTicks(std::int16_t& counter, int ticks)
{
    for (auto* o : m_observers)
        o->waitStarted(ticks);
    m_waiter.wait(counter, ticks);
}

Session::ActionScope::ActionScope(Session& session, const UserAction& action) : m_session(session)
{
    m_session.m_actions.push_back(action);
    for (auto* o : m_session.m_observers)
        o->actionStarted(action);
}

Session::ActionScope::~ActionScope()
{
    const UserAction action = std::move(m_session.m_actions.back());
    m_session.m_actions.pop_back();
    for (auto* o : m_session.m_observers)
        o->actionEnded(action);
}

bool Session::runAction(const UserAction& action, const Handler& handler)
{
    const ActionScope doing(*this, action);
    return runHandler(*this, handler);
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
