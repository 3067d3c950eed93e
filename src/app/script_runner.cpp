#include "script_runner.h"

#include "application.h"
#include "shell_handlers.h"

#include "server/conversions.h"
#include "session/fanout_observer.h"
#include "session/script.h"
#include "session/queued_prompter.h"
#include "session/recording_window_host.h"
#include "widgets/display_form.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <deque>
#include <fstream>
#include <ostream>
#include <sstream>

namespace vantrel {

namespace {

std::string shown(std::string_view bytes) { return toDisplayForm(bytes, false).toStdString(); }

std::string shown(const Value& v)
{
    switch (v.type()) {
    case Value::Type::String: return "\"" + shown(v.asString()) + "\"";
    case Value::Type::Empty: return "(empty)";
    default: return toText(v) + " (" + typeName(v.type()) + ")";
    }
}

// Prints one readable line per event.
class Printer : public SessionObserver {
public:
    explicit Printer(std::ostream& out) : m_out(out) {}
    void callMade(const CallEvent& e) override
    {
        m_out << accessName(e.access) << " " << e.member;
        if (e.access == Access::Put) {
            m_out << " = " << shown(e.argument.value_or(Value()));
        } else {
            m_out << "(" << (e.argument ? shown(*e.argument) : "") << ")";
            if (e.result)
                m_out << " -> " << shown(*e.result);
        }
        m_out << "\n";
    }
    void callFailed(std::string_view member, int number, std::string_view description) override
    {
        m_out << "error " << number << " from " << member << ": " << shown(description) << "\n";
    }
    void messageShown(std::string_view title, std::string_view text) override
    {
        m_out << "message [" << shown(title) << "] " << shown(text) << " -> OK\n";
    }
    void questionAnswered(std::string_view title, std::string_view text, bool yes) override
    {
        m_out << "question [" << shown(title) << "] " << shown(text) << " -> " << (yes ? "yes" : "no") << "\n";
    }
    void inputAnswered(std::string_view title, std::string_view prompt, std::string_view answer) override
    {
        m_out << "input [" << shown(title) << "] " << shown(prompt) << " -> \"" << shown(answer) << "\"\n";
    }
    void boxChanged(Box box, std::string_view text) override
    {
        m_out << boxName(box) << " = \"" << shown(text) << "\"\n";
    }
    void windowShown(std::string_view window, bool isShown) override
    {
        m_out << "window " << window << (isShown ? " shown" : " hidden") << "\n";
    }
    void waitStarted(int ticks) override { m_out << "wait " << ticks << " ticks\n"; }

private:
    std::ostream& m_out;
};

// Holds failing calls against the script's "expect error" lines.
class FailureWatch : public SessionObserver {
public:
    std::deque<std::pair<long, int>> expected; // number, script line
    std::vector<std::string> problems;

    void callFailed(std::string_view member, int number, std::string_view description) override
    {
        if (!expected.empty()) {
            const auto [want, line] = expected.front();
            expected.pop_front();
            if (want != number)
                problems.push_back("line " + std::to_string(line) + ": expected error " + std::to_string(want) +
                                   ", but " + std::string(member) + " failed with " + std::to_string(number) + ": " +
                                   shown(description));
            return;
        }
        problems.push_back("unexpected error " + std::to_string(number) + " from " + std::string(member) + ": " +
                           shown(description));
    }
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

struct Stop {
    int status;
    std::string reason;
};

class Runner {
public:
    Runner(Application& app, QueuedPrompter& prompter, FailureWatch& watch, std::ostream& out, AdvanceClock advance)
        : m_app(app), m_prompter(prompter), m_watch(watch), m_out(out), m_advance(std::move(advance))
    {
    }

    void run(const ScriptCommand& c)
    {
        using K = ScriptCommand::Kind;
        switch (c.kind) {
        case K::Select:
            focusSelector(static_cast<int>(c.number));
            clickSelector(static_cast<int>(c.number));
            break;
        case K::Focus: focusSelector(static_cast<int>(c.number)); break;
        case K::DoubleClick:
            main().run([n = static_cast<int>(c.number)](Session& s) { shell::selectorDoubleClick(s, n); });
            break;
        case K::Press: press(c.target); break;
        case K::Type: type(c.target, c.text); break;
        case K::Answer: m_prompter.queueAnswer(c.text); break;
        case K::Cancel: m_prompter.queueCancel(); break;
        case K::Reply: m_prompter.queueReply(c.yes); break;
        case K::Tick: tick(c.target, c.number); break;
        case K::ExpectIs:
        case K::ExpectHas: expect(c); break;
        case K::ExpectError: m_watch.expected.emplace_back(c.number, c.line); break;
        }
    }

    std::vector<std::string> failures;

private:
    MainWindow& main() { return m_app.mainWindow(); }

    [[noreturn]] void cannot(const std::string& reason) { throw Stop{2, reason}; }

    // Window.Name, or a bare name: the window in front first, then the main window.
    std::vector<Form*> candidates(const std::string& target, std::string& name)
    {
        const auto dot = target.find('.');
        if (dot != std::string::npos) {
            name = target.substr(dot + 1);
            Form* w = m_app.windows().window(target.substr(0, dot));
            if (!w)
                cannot("there is no window " + target.substr(0, dot) + " (it opens when its button is pressed)");
            return {w};
        }
        name = target;
        std::vector<Form*> forms;
        if (Form* front = m_app.windows().front())
            forms.push_back(front);
        if (forms.empty() || forms.front() != &main())
            forms.push_back(&main());
        return forms;
    }

    void focusSelector(int n)
    {
        if (m_focused == n)
            return;
        if (m_focused)
            main().run([old = m_focused](Session& s) { shell::selectorLostFocus(s, old); });
        m_focused = n;
        main().run([n](Session& s) { shell::selectorGotFocus(s, n); });
    }

    void clickSelector(int n)
    {
        main().selectorButton(n)->setChecked(true);
        main().run([n](Session& s) { shell::selectorClick(s, n); });
    }

    void press(const std::string& target)
    {
        std::string name;
        for (Form* form : candidates(target, name)) {
            for (const auto& spec : form->controls()) {
                if (spec.name != name)
                    continue;
                QPushButton* b = form->button(name);
                if (!b || !b->isEnabled())
                    cannot("the button " + name + " is disabled");
                if (!form->isVisible())
                    cannot("the window " + form->objectName().toStdString() + " is not shown");
                // A click moves the focus to the button: a selector button loses it.
                if (form == &main() && m_focused) {
                    main().run([old = m_focused](Session& s) { shell::selectorLostFocus(s, old); });
                    m_focused = 0;
                }
                form->run(spec.handler);
                return;
            }
        }
        cannot("there is no button " + target + " in the window in front or the main window");
    }

    void type(const std::string& target, const std::string& text)
    {
        std::string name;
        for (Form* form : candidates(target, name)) {
            if (auto* line = form->findChild<QLineEdit*>(QString::fromStdString(name))) {
                if (line->isReadOnly() || !line->isEnabled())
                    cannot("the text box " + name + " does not take typing");
                line->setText(fromBytes(text));
                return;
            }
        }
        cannot("there is no text box " + target);
    }

    void tick(const std::string& target, long count)
    {
        std::string name;
        for (Form* form : candidates(target, name)) {
            const auto timers = form->timerNames();
            if (std::find(timers.begin(), timers.end(), name) == timers.end())
                continue;
            const auto interval = std::chrono::milliseconds(form->timerInterval(name));
            for (long i = 0; i < count; ++i) {
                if (m_advance)
                    m_advance(interval);
                form->fireTimer(name);
            }
            return;
        }
        cannot("there is no timer " + target);
    }

    void expect(const ScriptCommand& c)
    {
        std::string boxText = c.target;
        if (const auto dot = boxText.find('.'); dot != std::string::npos)
            boxText = boxText.substr(dot + 1);
        std::optional<Box> box;
        for (Box b : {Box::TextBox, Box::InBox, Box::TextBoxPumpNumber, Box::DeviceData})
            if (boxText == boxName(b))
                box = b;
        if (!box)
            cannot("there is no box " + c.target + " (TextBox, InBox, TextBoxPumpNumber, DeviceData)");
        const std::string& actual = m_app.session().box(*box);
        const bool held = c.kind == ScriptCommand::Kind::ExpectIs ? actual == c.text
                                                                   : actual.find(c.text) != std::string::npos;
        if (held) {
            m_out << "ok: " << c.target << (c.kind == ScriptCommand::Kind::ExpectIs ? " is " : " contains ") << "\""
                  << shown(c.text) << "\"\n";
            return;
        }
        const std::string failure = "line " + std::to_string(c.line) + ": expected " + c.target +
                                    (c.kind == ScriptCommand::Kind::ExpectIs ? " to be \"" : " to contain \"") +
                                    shown(c.text) + "\", but it holds \"" + shown(actual) + "\"";
        m_out << "FAILED " << failure << "\n";
        failures.push_back(failure);
    }

    Application& m_app;
    QueuedPrompter& m_prompter;
    FailureWatch& m_watch;
    std::ostream& m_out;
    AdvanceClock m_advance;
    int m_focused = 0; // the selector button that has the focus, 0 for none
};

} // namespace

int runScript(const std::string& name, const std::string& content, const AutomationRegistry& registry,
              const std::string& progId, SessionObserver* trace, std::ostream& out, AdvanceClock advance,
              const std::string& screenshot)
{
    std::vector<ScriptCommand> commands;
    try {
        commands = parseScript(content);
    } catch (const ScriptError& e) {
        out << name << ":" << e.line << ": " << e.reason << "\n";
        return 2;
    }

    QueuedPrompter prompter;
    ScriptWaiter waiter(advance);
    Printer printer(out);
    FailureWatch watch;
    FanoutObserver observers;
    observers.add(trace);
    observers.add(&printer);
    observers.add(&watch);

    auto app = Application::start(registry, progId, prompter, waiter, &observers);
    if (!app)
        return 1;
    Session& session = app->session();
    app->mainWindow().show();

    Runner runner(*app, prompter, watch, out, advance);
    int status = 0;
    for (const auto& c : commands) {
        try {
            runner.run(c);
        } catch (const Stop& stop) {
            out << name << ":" << c.line << ": " << stop.reason << "\n";
            status = stop.status;
            break;
        } catch (const QueuedPrompter::NothingQueued& e) {
            out << name << ":" << c.line << ": " << e.what << "\n";
            status = 2;
            break;
        }
        QApplication::processEvents();
    }
    if (status == 0) {
        for (const auto& [number, line] : watch.expected)
            watch.problems.push_back("line " + std::to_string(line) + ": expected error " + std::to_string(number) +
                                     ", but no server call failed");
        for (const auto& p : watch.problems)
            out << "FAILED " << p << "\n";
        if (!runner.failures.empty() || !watch.problems.empty())
            status = 1;
    }
    session.removeObserver(&observers);
    if (!screenshot.empty()) {
        Form* front = app->windows().front();
        if (!front || !front->grab().save(QString::fromStdString(screenshot))) {
            out << "cannot save the screenshot " << screenshot << "\n";
            status = status ? status : 2;
        }
    }
    out << (status == 0 ? "script passed" : status == 1 ? "script failed" : "script stopped") << "\n";
    return status;
}

int runScriptFile(const std::string& path, const AutomationRegistry& registry, const std::string& progId,
                  SessionObserver* trace, std::ostream& out, AdvanceClock advance, const std::string& screenshot)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        out << path << ":0: cannot read the script\n";
        return 2;
    }
    std::ostringstream content;
    content << in.rdbuf();
    return runScript(path, content.str(), registry, progId, trace, out, std::move(advance), screenshot);
}

} // namespace vantrel
