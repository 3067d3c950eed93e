#include "script_runner.h"

#include "application.h"
#include "output_file.h"
#include "session_files.h"

#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"
#include "journal/card_mask.h"

#include "server/conversions.h"
#include "session/fanout_observer.h"
#include "session/file_reading.h"
#include "session/script.h"
#include "session/queued_prompter.h"
#include "session/recording_window_host.h"
#include "widgets/display_form.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <iostream>
#include <ostream>
#include <sstream>
#include <system_error>

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
    void boxAppended(Box box, std::string_view appended, std::string_view) override
    {
        m_out << boxName(box) << " += \"" << shown(appended) << "\"\n";
    }
    void errorRaised(int number, std::string_view description) override
    {
        m_out << "error " << number << " from the utility: " << shown(description) << "\n";
    }
    void windowShown(std::string_view window, bool isShown) override
    {
        m_out << "window " << window << (isShown ? " shown" : " hidden") << "\n";
    }
    void waitStarted(int ticks) override { m_out << "wait " << ticks << " ticks\n"; }

private:
    std::ostream& m_out;
};

// Masks what a report of the script quotes: one masker for the script's
// run, told every value sent, so that it knows what the bytes it masks answer.
class ReportMasker : public SessionObserver {
public:
    explicit ReportMasker(bool masked) : m_masked(masked) {}
    void callMade(const CallEvent& e) override
    {
        if (e.argument)
            m_masker.noteSent(e.member, e.argument->type() == Value::Type::String ? e.argument->asString()
                                                                                 : toText(*e.argument));
    }
    // Bytes in their display form, masked first.
    std::string shown(std::string_view bytes) const
    {
        return vantrel::shown(m_masked ? m_masker.mask(bytes) : std::string(bytes));
    }
    // A failure made of the utility's own words: as printed, and masked for a report.
    ScriptFailure plain(const std::string& text) const { return {text, m_masked ? m_masker.mask(text) : text}; }

private:
    bool m_masked;
    journal::CardMasker m_masker;
};

// Holds failing calls against the script's "expect error" lines.
class FailureWatch : public SessionObserver {
public:
    explicit FailureWatch(const ReportMasker& masker) : m_masker(masker) {}
    std::deque<std::pair<long, int>> expected; // number, script line
    std::vector<ScriptFailure> problems;

    void callFailed(std::string_view member, int number, std::string_view description) override
    {
        failed(std::string(member) + " failed", number, description);
    }
    void errorRaised(int number, std::string_view description) override
    {
        failed("the utility raised", number, description);
    }

private:
    void failed(const std::string& source, int number, std::string_view description)
    {
        std::string head;
        if (!expected.empty()) {
            const auto [want, line] = expected.front();
            expected.pop_front();
            if (want == number)
                return;
            head = "line " + std::to_string(line) + ": expected error " + std::to_string(want) + ", but " + source +
                   " " + std::to_string(number) + ": ";
        } else {
            head = "unexpected error " + std::to_string(number) + " (" + source + "): ";
        }
        problems.push_back({head + shown(description), head + m_masker.shown(description)});
    }

    const ReportMasker& m_masker;
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
    Runner(Application& app, QueuedPrompter& prompter, FailureWatch& watch, const ReportMasker& masker,
           std::ostream& out, AdvanceClock advance)
        : m_app(app), m_prompter(prompter), m_watch(watch), m_masker(masker), m_out(out), m_advance(std::move(advance))
    {
    }

    void run(const ScriptCommand& c)
    {
        using K = ScriptCommand::Kind;
        switch (c.kind) {
        case K::Select:
            needMainInFront("select");
            focusSelector(static_cast<int>(c.number));
            clickSelector(static_cast<int>(c.number));
            break;
        case K::Focus:
            needMainInFront("focus");
            focusSelector(static_cast<int>(c.number));
            break;
        case K::DoubleClick:
            needMainInFront("doubleclick");
            main().selectorDoubleClicked(static_cast<int>(c.number));
            break;
        case K::Unfocus:
            needMainInFront("unfocus");
            if (main().selectorFocus())
                main().selectorFocusOut(main().selectorFocus());
            break;
        case K::Press: press(c.target); break;
        case K::Type: type(c.target, c.text); break;
        case K::Answer:
            m_prompter.queueAnswer(c.text);
            answerLines.push_back(c.line);
            break;
        case K::Cancel:
            m_prompter.queueCancel();
            answerLines.push_back(c.line);
            break;
        case K::Reply:
            m_prompter.queueReply(c.yes);
            replyLines.push_back(c.line);
            break;
        case K::Tick: tick(c.target, c.number); break;
        case K::ExpectIs:
        case K::ExpectHas: expect(c); break;
        case K::ExpectError: m_watch.expected.emplace_back(c.number, c.line); break;
        case K::Customer: customer(c.text); break;
        }
    }

    std::vector<ScriptFailure> failures;
    std::vector<int> answerLines, replyLines; // where each queued answer and reply was written

private:
    MainWindow& main() { return m_app.mainWindow(); }

    [[noreturn]] void cannot(const std::string& reason) { throw Stop{2, reason}; }

    // A script reaches what a user reaches: the window in front, since every
    // secondary window is modal over its owner. CONTROL is "Window.Name" or a
    // bare name, which means the window in front.
    Form* reachable(const std::string& target, std::string& name, const char* what)
    {
        Form* front = m_app.windows().front();
        const auto dot = target.find('.');
        name = dot == std::string::npos ? target : target.substr(dot + 1);
        if (dot == std::string::npos)
            return front;
        const std::string windowName = target.substr(0, dot);
        Form* w = m_app.windows().window(windowName);
        if (!w)
            cannot("there is no window " + windowName + " (it opens when its button is pressed)");
        if (!w->isVisible())
            cannot("the window " + windowName + " is not shown");
        if (w != front)
            cannot(std::string("the ") + what + " " + target + " cannot be reached: the window " +
                   front->objectName().toStdString() + " is in front of it (modal)");
        return w;
    }

    // Says why a bare name that the window in front lacks cannot be reached.
    [[noreturn]] void notInFront(const std::string& name, const char* what, bool exists)
    {
        Form* front = m_app.windows().front();
        if (front != &main() && exists)
            cannot(std::string("the ") + what + " " + name + " cannot be reached: the window " +
                   front->objectName().toStdString() + " is in front of the main window (modal)");
        cannot(std::string("there is no ") + what + " " + name + " in the window in front (" +
               front->objectName().toStdString() + ")");
    }

    void needMainInFront(const char* what)
    {
        Form* front = m_app.windows().front();
        if (front != &main())
            cannot(std::string("the selector cannot be reached for ") + what + ": the window " +
                   front->objectName().toStdString() + " is in front of the main window (modal)");
    }

    // The focus moves as it does with the mouse: the button that had it loses it first.
    void focusSelector(int n) { main().selectorFocusIn(n); }

    void clickSelector(int n)
    {
        main().selectorButton(n)->setChecked(true);
        main().selectorClicked(n);
    }

    void press(const std::string& target)
    {
        std::string name;
        Form* form = reachable(target, name, "button");
        const auto& controls = form->controls();
        const auto spec = std::find_if(controls.begin(), controls.end(), [&](const ButtonSpec& b) { return b.name == name; });
        if (spec == controls.end())
            notInFront(name, "button", main().button(name) != nullptr);
        QPushButton* b = form->button(name);
        if (!b || !b->isEnabled())
            cannot("the button " + name + " is disabled");
        // A click moves the focus to the button: a selector button loses it.
        if (form == &main() && main().selectorFocus())
            main().selectorFocusOut(main().selectorFocus());
        // What a click runs; a script's stop must not unwind through Qt's own frames.
        form->press(name);
    }

    void type(const std::string& target, const std::string& text)
    {
        std::string name;
        Form* form = reachable(target, name, "text box");
        auto* line = form->findChild<QLineEdit*>(QString::fromStdString(name));
        if (!line)
            notInFront(name, "text box", false);
        if (!form->typeInto(name, fromBytes(text)))
            cannot("the text box " + name + " does not take typing");
    }

    // Timers tick whatever window is in front: the named window's, or the
    // first shown window that has a timer of that name, front first.
    void tick(const std::string& target, long count)
    {
        std::string name = target;
        std::vector<Form*> forms = m_app.windows().shownWindows();
        std::reverse(forms.begin(), forms.end());
        if (const auto dot = target.find('.'); dot != std::string::npos) {
            name = target.substr(dot + 1);
            Form* w = m_app.windows().window(target.substr(0, dot));
            if (!w)
                cannot("there is no window " + target.substr(0, dot) + " (it opens when its button is pressed)");
            forms = {w};
        }
        for (Form* form : forms) {
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

    // The customer acts on the simulated site itself: the embedded forecourt,
    // or one served on D-Bus, which takes it through Vantrel.Simulator.Customer.
    void customer(const std::string& action)
    {
        // An action of its own, so that a saved session acts as the customer too.
        const Session::ActionScope doing(m_app.session(), {UserAction::Kind::Customer, {}, {}, 0, action});
        try {
            if (!m_app.customer())
                cannot("customer needs the embedded forecourt, or a simulated site served on D-Bus "
                       "(vantrel-forecourt): this server has no customer to act as");
            m_out << "customer: " << m_app.customer()(action) << "\n";
        } catch (const forecourt::CustomerError& e) {
            cannot(std::string("the customer cannot do that: ") + e.what());
        } catch (const AutomationError& e) {
            cannot(std::string("the customer cannot do that: ") + e.description());
        }
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
        const std::string head = "line " + std::to_string(c.line) + ": expected " + c.target +
                                 (c.kind == ScriptCommand::Kind::ExpectIs ? " to be \"" : " to contain \"");
        const std::string failure = head + shown(c.text) + "\", but it holds \"" + shown(actual) + "\"";
        m_out << "FAILED " << failure << "\n";
        failures.push_back(
            {failure, head + m_masker.shown(c.text) + "\", but it holds \"" + m_masker.shown(actual) + "\""});
    }

    Application& m_app;
    QueuedPrompter& m_prompter;
    FailureWatch& m_watch;
    const ReportMasker& m_masker;
    std::ostream& m_out;
    AdvanceClock m_advance;
};

} // namespace

ScriptResult runScriptText(const std::string& name, const std::string& content, const AutomationRegistry& registry,
                           const ScriptRunOptions& options, std::ostream& out)
{
    const auto started = std::chrono::steady_clock::now();
    ScriptResult result;
    auto finish = [&](int status, const char* verdict) {
        result.status = status;
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        out << verdict << "\n";
        return result;
    };
    ReportMasker masker(options.masked);
    std::vector<ScriptCommand> commands;
    try {
        commands = parseScript(content);
    } catch (const ScriptError& e) {
        out << name << ":" << e.line << ": " << e.reason << "\n";
        result.failures.push_back(masker.plain("line " + std::to_string(e.line) + ": " + e.reason));
        return finish(2, "script stopped");
    }
    if (commands.empty()) {
        const std::string reason = "the script holds no command (only comments and blank lines, or nothing): nothing to run";
        out << name << ":0: " << reason << "\n";
        result.failures.push_back(masker.plain(reason));
        return finish(2, "script stopped");
    }

    // The script's own clock: it moves with the virtual time it gives the server.
    auto virtualMs = std::make_shared<long long>(0);
    const AdvanceClock advance = [virtualMs, inner = options.advance](std::chrono::milliseconds by) {
        *virtualMs += by.count();
        if (inner)
            inner(by);
    };
    const std::function<long long()> clock = [virtualMs] { return *virtualMs; };
    if (options.onClock)
        options.onClock(clock);

    QueuedPrompter prompter;
    ScriptWaiter waiter(advance);
    Printer printer(out);
    FailureWatch watch(masker);
    FanoutObserver observers;
    observers.add(&masker);
    observers.add(options.trace);
    observers.add(&printer);
    observers.add(&watch);

    auto app = Application::start(registry, options.progId, prompter, waiter, &observers, true, options.offScreen);
    if (!app) {
        result.failures.push_back(masker.plain("the server " + options.progId + " cannot be created"));
        return finish(1, "script failed");
    }
    Session& session = app->session();
    session.setClock(clock);
    app->mainWindow().show();

    Runner runner(*app, prompter, watch, masker, out, advance);
    int status = 0;
    for (const auto& c : commands) {
        try {
            runner.run(c);
        } catch (const Stop& stop) {
            out << name << ":" << c.line << ": " << stop.reason << "\n";
            result.failures.push_back(masker.plain("line " + std::to_string(c.line) + ": " + stop.reason));
            status = stop.status;
            break;
        } catch (const QueuedPrompter::NothingQueued& e) {
            out << name << ":" << c.line << ": " << e.what << "\n";
            const std::string head = "line " + std::to_string(c.line) + ": ";
            result.failures.push_back({head + e.what, head + masker.shown(e.what)});
            status = 2;
            break;
        }
        QApplication::processEvents();
    }
    if (status == 0) {
        for (const auto& [number, line] : watch.expected)
            watch.problems.push_back(masker.plain("line " + std::to_string(line) + ": expected error " +
                                                  std::to_string(number) + ", but no error came"));
        // Answers and replies nobody asked for: the script did not do what its author thought.
        auto leftover = [&](std::size_t count, const std::vector<int>& lines, const char* what) {
            if (count == 0)
                return;
            const int first = lines.size() >= count ? lines[lines.size() - count] : 0;
            watch.problems.push_back(masker.plain("line " + std::to_string(first) + ": " + std::to_string(count) + " " +
                                                  what + " queued by the script " + (count == 1 ? "was" : "were") +
                                                  " never asked for by the end of the script"));
        };
        leftover(prompter.pendingAnswers(), runner.answerLines, prompter.pendingAnswers() == 1 ? "answer" : "answers");
        leftover(prompter.pendingReplies(), runner.replyLines, prompter.pendingReplies() == 1 ? "reply" : "replies");
        for (const auto& p : watch.problems)
            out << "FAILED " << p.text << "\n";
        if (!runner.failures.empty() || !watch.problems.empty())
            status = 1;
        result.failures.insert(result.failures.end(), runner.failures.begin(), runner.failures.end());
        result.failures.insert(result.failures.end(), watch.problems.begin(), watch.problems.end());
    }
    session.removeObserver(&observers);
    // A file the run was asked for and could not write fails the run (status 1), with the system's reason.
    auto cannotWrite = [&](const std::string& what) {
        out << what << "\n";
        result.failures.push_back(masker.plain(what));
        status = std::max(status, 1);
    };
    if (!options.saveSession.empty()) {
        std::string reason;
        if (!saveSessionScript(options.saveSession, app->recorder(), sessionHeader(options.serverDescription),
                               options.masked, reason))
            cannotWrite("cannot save the session " + options.saveSession + ": " + reason);
        else if (app->recorder().typedCardNumber())
            std::cerr << "vantrel-test: the saved session keeps typed text that looks like a card number as it was "
                         "typed\n";
    }
    if (!options.screenshot.empty()) {
        Form* front = app->windows().front();
        std::string reason = "there is no window to take";
        if (!front || !saveScreenshot(*front, options.screenshot, reason))
            cannotWrite("cannot save the screenshot " + options.screenshot + ": " + reason);
    }
    return finish(status, status == 0 ? "script passed" : status == 1 ? "script failed" : "script stopped");
}

int runScript(const std::string& name, const std::string& content, const AutomationRegistry& registry,
              const std::string& progId, SessionObserver* trace, std::ostream& out, AdvanceClock advance,
              const std::string& screenshot)
{
    ScriptRunOptions options;
    options.progId = progId;
    options.trace = trace;
    options.advance = std::move(advance);
    options.screenshot = screenshot;
    return runScriptText(name, content, registry, options, out).status;
}

std::optional<std::string> readScriptFile(const std::string& path, std::string& reason)
{
    std::string content;
    int error = 0;
    switch (readWholeFile(path, kScriptLimit, content, &error)) {
    case FileProblem::None: return content;
    case FileProblem::Missing: {
        // A link whose file is gone names where it points.
        std::error_code ec;
        if (std::filesystem::is_symlink(path, ec))
            reason = "a link to " + std::filesystem::read_symlink(path, ec).string() + ", which does not exist";
        else
            reason = "no such file";
        break;
    }
    case FileProblem::Folder: reason = "a folder, not a script"; break;
    case FileProblem::NotRegular: reason = "not a regular file"; break;
    case FileProblem::TooLarge: reason = "larger than " + std::to_string(kScriptLimit >> 20) + " MiB"; break;
    case FileProblem::Unreadable:
        reason = "cannot be read whole" + (error ? " (" + std::generic_category().message(error) + ")" : std::string());
        break;
    }
    return std::nullopt;
}

std::vector<std::string> expandScriptPaths(const std::vector<std::string>& names, std::string& reason)
{
    namespace fs = std::filesystem;
    std::vector<std::string> paths;
    if (names.empty()) {
        reason = "no script named";
        return {};
    }
    for (const auto& name : names) {
        if (name.empty()) {
            reason = "an empty script name";
            return {};
        }
        std::error_code ec;
        if (!fs::is_directory(name, ec)) {
            paths.push_back(name);
            continue;
        }
        // Every .vts entry but a folder is a script: one that cannot be read
        // (a link to nothing) is named when its turn comes, and fails alone.
        std::vector<std::string> found;
        fs::directory_iterator it(name, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::error_code kind;
            if (it->path().extension() == ".vts" && !fs::is_directory(it->path(), kind))
                found.push_back(it->path().string());
        }
        if (ec) {
            reason = name + ": the folder cannot be read (" + ec.message() + ")";
            return {};
        }
        if (found.empty()) {
            reason = name + ": the folder holds no .vts script";
            return {};
        }
        std::sort(found.begin(), found.end());
        paths.insert(paths.end(), found.begin(), found.end());
    }
    return paths;
}

namespace {

// Text for an XML attribute: valid UTF-8 (a byte that is not becomes U+FFFD),
// control characters as their pictures (XML 1.0 takes none of them), escaped.
QString xmlText(const std::string& text)
{
    QString q = QString::fromStdString(text);
    for (QChar& c : q) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
    }
    return q.toHtmlEscaped();
}

} // namespace

bool writeJunitReport(const std::string& path, const std::vector<std::pair<std::string, ScriptResult>>& results,
                      bool masked, std::string& reason)
{
    int failures = 0, errors = 0;
    double seconds = 0;
    for (const auto& [name, r] : results) {
        failures += r.status == 1;
        errors += r.status == 2;
        seconds += r.seconds;
    }
    QString xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += QString("<testsuites tests=\"%1\" failures=\"%2\" errors=\"%3\" time=\"%4\">\n")
               .arg(results.size()).arg(failures).arg(errors).arg(seconds, 0, 'f', 3);
    xml += QString("  <testsuite name=\"vantrel-test\" tests=\"%1\" failures=\"%2\" errors=\"%3\" time=\"%4\">\n")
               .arg(results.size()).arg(failures).arg(errors).arg(seconds, 0, 'f', 3);
    for (const auto& [name, r] : results) {
        xml += QString("    <testcase classname=\"scripts\" name=\"%1\" time=\"%2\"")
                   .arg(xmlText(name)).arg(r.seconds, 0, 'f', 3);
        if (r.status == 0) {
            xml += "/>\n";
            continue;
        }
        xml += ">\n";
        const char* tag = r.status == 1 ? "failure" : "error";
        // A failure quotes the boxes, which may hold card data: the report
        // takes the form masked before the bytes became text.
        for (const auto& f : r.failures)
            xml += QString("      <%1 message=\"%2\"/>\n").arg(tag, xmlText(masked ? f.report : f.text));
        if (r.failures.empty())
            xml += QString("      <%1 message=\"the script did not pass\"/>\n").arg(tag);
        xml += "    </testcase>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    const QByteArray bytes = xml.toUtf8();
    return writeOutputFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), !masked,
                           reason);
}

int runScripts(const std::vector<std::string>& paths, const AutomationRegistry& registry,
               const ScriptRunOptions& options, std::ostream& out)
{
    if (!options.serverDescription.empty())
        out << "server: " << options.serverDescription << "\n";
    std::vector<std::pair<std::string, ScriptResult>> results;
    int worst = 0, passed = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string& path = paths[i];
        if (paths.size() > 1)
            out << "== " << path << "\n";
        ScriptRunOptions one = options;
        if (i + 1 < paths.size())
            one.screenshot.clear();
        ScriptResult r;
        std::string reason;
        if (const auto content = readScriptFile(path, reason)) {
            r = runScriptText(path, *content, registry, one, out);
        } else {
            out << path << ":0: cannot read the script: " << reason << "\n";
            r.status = 2;
            r.failures.push_back({"cannot read the script: " + reason, "cannot read the script: " + reason});
            out << "script stopped\n";
        }
        worst = std::max(worst, r.status);
        passed += r.status == 0;
        results.emplace_back(path, std::move(r));
    }
    out << passed << " passed, " << results.size() - static_cast<std::size_t>(passed) << " failed\n";
    std::string reason;
    if (!options.junit.empty() && !writeJunitReport(options.junit, results, options.masked, reason)) {
        out << "cannot write the JUnit report " << options.junit << ": " << reason << "\n";
        worst = std::max(worst, 1);
    }
    return worst;
}

int runScriptFile(const std::string& path, const AutomationRegistry& registry, const std::string& progId,
                  SessionObserver* trace, std::ostream& out, AdvanceClock advance, const std::string& screenshot)
{
    ScriptRunOptions options;
    options.progId = progId;
    options.trace = trace;
    options.advance = std::move(advance);
    options.screenshot = screenshot;
    return runScripts({path}, registry, options, out);
}

} // namespace vantrel
