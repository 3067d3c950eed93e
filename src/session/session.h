// The context every handler runs on: the one server reference, the current
// fueling position, the last record, the result and description boxes as
// exact bytes, the prompter and the windows. A click, a script line and a
// test all hand a handler the same Session, so handlers never see a widget.
//
// Server calls and prompts go through observing wrappers, so every call,
// answer and box change reaches the observers (trace, script printer, the
// window that shows the boxes) in the order it happens.
#pragma once

#include "prompter.h"
#include "session_observer.h"
#include "button_spec.h"
#include "window_host.h"

#include "server/automation_object.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class Session {
public:
    Session(AutomationObject& server, Prompter& prompter, WindowHost& windows, Waiter& waiter);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The server as handlers reach it (Zeph): every call is observed.
    AutomationObject& server();
    Prompter& prompter();
    WindowHost& windows() { return m_windows; }

    const std::string& box(Box which) const { return m_boxes[static_cast<std::size_t>(which)]; }
    // Every box, whatever fills it (a record, a server's answer of any size),
    // keeps at most its newest kBoxLimit bytes: a longer text set into a box
    // drops its oldest part (starting at a line where one starts near the
    // cut), and droppedBytes() counts what went, so a view can say so.
    void setBox(Box which, std::string text);
    // Adds text at the end of a box at the cost of what is added. A box that
    // grows past kBoxLimit bytes drops its oldest part (whole lines where it
    // can) down to three quarters of the limit, and droppedBytes() grows by
    // what went.
    void appendBox(Box which, std::string_view text);
    std::size_t droppedBytes(Box which) const { return m_dropped[static_cast<std::size_t>(which)]; }
    static constexpr std::size_t kBoxLimit = std::size_t(1) << 20;
    const std::string& textBox() const { return box(Box::TextBox); }
    const std::string& inBox() const { return box(Box::InBox); }
    void setTextBox(std::string text) { setBox(Box::TextBox, std::move(text)); }
    void setInBox(std::string text) { setBox(Box::InBox, std::move(text)); }
    void appendInBox(std::string_view text) { appendBox(Box::InBox, text); }

    // Current fueling position: FP (1..32) and FPText ("01".."32").
    std::int16_t fp() const { return m_fp; }
    const std::string& fpText() const { return m_fpText; }
    void setFp(std::int16_t fp) { m_fp = fp; }
    void setFpText(std::string text) { m_fpText = std::move(text); }

    // The record most recently built for an assignment.
    Value recordData;
    // Stress test flag: 0 off, 1 on.
    std::int16_t stressActive = 0;
    // True while a stress tick runs, so that no tick starts inside another.
    bool stressTickRunning = false;
    // Stress ticks run since the test was last switched on (two records each).
    long stressTicks = 0;

    // True in a script run: window timers never fire on their own, only
    // when the script ticks them, so that time is the script's alone.
    bool virtualTime = false;

    // A call to the server is out: set while the observed server waits for
    // the inner call, so that no press or timer tick starts a second one.
    bool callInProgress() const { return m_callDepth > 0; }

    // Reports an error the utility raised itself (the handler runner does,
    // for errors that did not come from a failing server call).
    void notifyError(int number, std::string_view description);
    // True once since the last call when a server call failed and was
    // reported to the observers; the handler runner asks, so that an error is
    // reported once.
    bool takeReportedFailure();

    // A handler is running: one that waits (a sequence) lets events in, and
    // no other press may start then, so that commands never interleave.
    bool handlerRunning() const { return m_handlerDepth > 0; }
    // Counts one level of `depth` for its lifetime.
    struct DepthScope {
        explicit DepthScope(int& depth) : m_depth(depth) { ++m_depth; }
        ~DepthScope() { --m_depth; }
        DepthScope(const DepthScope&) = delete;
        DepthScope& operator=(const DepthScope&) = delete;
        int& m_depth;
    };
    DepthScope handlerScope() { return DepthScope(m_handlerDepth); }

    // Long runs report where they stand; a stop asked for (a Stop button, the
    // run's window closed) ends the run once the step in progress is done.
    void reportProgress(const Progress& progress);
    void requestStop() { m_stopRequested = true; }
    bool stopRequested() const { return m_stopRequested; }
    void clearStop() { m_stopRequested = false; }

    // A wait step of `ticks` ticks of the timer that counts `counter` down.
    void waitTicks(std::int16_t& counter, int ticks);

    // The session's clock: milliseconds since the start of the run. The
    // steady clock by default; a script run sets its virtual clock, so that
    // the times it reports are the same on every run.
    long long elapsedMs() const { return m_clock(); }
    void setClock(std::function<long long()> clock) { m_clock = std::move(clock); }

    // The technician's action that is running: calls made meanwhile carry
    // its window and control. Observers see it start and end; it ends with
    // its scope, however the handler leaves.
    class ActionScope {
    public:
        ActionScope(Session& session, const UserAction& action);
        ~ActionScope();
        ActionScope(const ActionScope&) = delete;
        ActionScope& operator=(const ActionScope&) = delete;

    private:
        Session& m_session;
    };
    const UserAction* currentAction() const { return m_actions.empty() ? nullptr : &m_actions.back(); }
    // Runs `handler` through the handler runner as the doing of `action`.
    bool runAction(const UserAction& action, const Handler& handler);

    void addObserver(SessionObserver* observer);
    void removeObserver(SessionObserver* observer);
    // For the shell: a window was shown or hidden.
    void notifyWindow(std::string_view window, bool shown);

private:
    class ObservedServer;
    class ObservedPrompter;

    std::vector<SessionObserver*> m_observers;
    std::function<long long()> m_clock;
    std::vector<UserAction> m_actions;
    std::unique_ptr<ObservedServer> m_server;
    std::unique_ptr<ObservedPrompter> m_prompter;
    WindowHost& m_windows;
    Waiter& m_waiter;
    std::array<std::string, 4> m_boxes;
    std::array<std::size_t, 4> m_dropped{};
    int m_callDepth = 0;
    int m_handlerDepth = 0;
    bool m_stopRequested = false;
    bool m_failureReported = false;
    std::int16_t m_fp = 1;
    std::string m_fpText = "01";
};

// Where the newest `keep` bytes of text start, moved on to the start of a line
// when one starts less than `slack` bytes after that; 0 when the text is no longer.
std::size_t tailStart(std::string_view text, std::size_t keep, std::size_t slack);

} // namespace vantrel
