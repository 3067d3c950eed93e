// The commands of a script done as a user does them: on the window in
// front, through the same handlers a click reaches.
#pragma once

#include "script_result.h"
#include "script_runner.h"

#include "server/value.h"
#include "session/window_host.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

class Application;
class Form;
class MainWindow;
class QueuedPrompter;
struct ScriptCommand;

namespace script_run {

class FailureWatch;
class ReportMasker;

// Why a script cannot go on; `status` is the run's exit status.
class ScriptStop : public std::runtime_error {
public:
    ScriptStop(int status, const std::string& reason) : std::runtime_error(reason), m_status(status) {}
    int status() const { return m_status; }

private:
    int m_status;
};

// Wait steps pass at once; their ticks move the virtual clock.
class ScriptWaiter : public Waiter {
public:
    explicit ScriptWaiter(AdvanceClock advance) : m_advance(std::move(advance)) {}
    void wait(std::int16_t& counter, int ticks) override
    {
        counter = 0;
        if (m_advance && ticks > 0)
            m_advance(std::chrono::milliseconds(ticks));
    }

private:
    AdvanceClock m_advance;
};

class ScriptCommandRunner {
public:
    ScriptCommandRunner(Application& app, QueuedPrompter& prompter, FailureWatch& watch, const ReportMasker& masker,
                        std::ostream& out, AdvanceClock advance)
        : m_app(app), m_prompter(prompter), m_watch(watch), m_masker(masker), m_out(out), m_advance(std::move(advance))
    {
    }

    // Does what one command of the script says; throws ScriptStop when it cannot be done.
    void run(const ScriptCommand& c);

    std::vector<ScriptFailure> failures;
    std::vector<int> answerLines, replyLines; // where each queued answer and reply was written

private:
    MainWindow& main();
    [[noreturn]] void cannot(const std::string& reason) { throw ScriptStop(2, reason); }

    // A script reaches what a user reaches: the window in front, since every
    // secondary window is modal over its owner. CONTROL is "Window.Name" or a
    // bare name, which means the window in front.
    Form* reachable(const std::string& target, std::string& name, const char* what);
    // Says why a bare name that the window in front lacks cannot be reached.
    [[noreturn]] void notInFront(const std::string& name, const char* what, bool exists);
    void needMainInFront(const char* what);
    // The focus moves as it does with the mouse: the button that had it loses it first.
    void focusSelector(int n);
    void clickSelector(int n);
    void press(const std::string& target);
    void type(const std::string& target, const std::string& text);
    // Timers tick whatever window is in front: the named window's, or the
    // first shown window that has a timer of that name, front first.
    void tick(const std::string& target, long count);
    // The customer acts on the simulated site itself: the embedded forecourt,
    // or one served on D-Bus, which takes it through Vantrel.Simulator.Customer.
    void customer(const std::string& action);
    // A fault set on the simulated site, or cleared, the same way: the embedded
    // forecourt, or Vantrel.Simulator.Fault of one served on D-Bus.
    void fault(const std::string& fault);
    // A raw call goes through the session as a press's calls do; a get's
    // result is kept for the "expect result" lines after it.
    void rawCall(const ScriptCommand& c);
    void expect(const ScriptCommand& c);
    void expectResult(const ScriptCommand& c);
    // Prints "ok: ..." when `actual` holds up to the line, else the failure.
    void judge(const ScriptCommand& c, const std::string& what, std::string_view actual);

    Application& m_app;
    QueuedPrompter& m_prompter;
    FailureWatch& m_watch;
    const ReportMasker& m_masker;
    std::ostream& m_out;
    AdvanceClock m_advance;
    std::optional<Value> m_result; // the last get's result; none when that get failed
    int m_resultLine = 0;          // the line of that get
};

} // namespace script_run
} // namespace vantrel
