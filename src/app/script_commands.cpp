#include "script_commands.h"

#include "application.h"
#include "conformance_members.h"
#include "script_printer.h"
#include "script_verdict.h"

#include "dbus/dbus_client.h"
#include "forecourt/customer.h"
#include "forecourt/fault_command.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_error.h"
#include "session/queued_prompter.h"
#include "session/raw_call.h"
#include "session/recording_window_host.h"
#include "session/script.h"
#include "server/conversions.h"
#include "widgets/display_form.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <optional>

namespace vantrel::script_run {

MainWindow& ScriptCommandRunner::main() { return m_app.mainWindow(); }

void ScriptCommandRunner::focusSelector(int n) { main().selectorFocusIn(n); }

void ScriptCommandRunner::run(const ScriptCommand& c)
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
    case K::Fault: fault(c.text); break;
    case K::RawCall: rawCall(c); break;
    case K::ExpectResultIs:
    case K::ExpectResultHas:
    case K::ExpectResultType: expectResult(c); break;
    case K::ExpectMember: {
        // As the conformance suite asks it: the member table, or the introspection of a server on D-Bus.
        std::string reason;
        const auto members = conformance::offeredMembers(m_app.server(), reason);
        const std::string problem = members ? conformance::memberProblem(*members, c.access, c.target)
                                            : "the server does not list its members: " + reason;
        const std::string what = c.target + " offered for " + accessName(c.access);
        if (problem.empty()) {
            m_out << "ok: " << what << "\n";
        } else {
            const std::string failure = "line " + std::to_string(c.line) + ": expected " + what + ", but " + problem;
            m_out << "FAILED " << failure << "\n";
            failures.push_back(m_masker.plain(failure));
        }
        break;
    }
    }
}

Form* ScriptCommandRunner::reachable(const std::string& target, std::string& name, const char* what)
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

void ScriptCommandRunner::notInFront(const std::string& name, const char* what, bool exists)
{
    Form* front = m_app.windows().front();
    if (front != &main() && exists)
        cannot(std::string("the ") + what + " " + name + " cannot be reached: the window " +
               front->objectName().toStdString() + " is in front of the main window (modal)");
    cannot(std::string("there is no ") + what + " " + name + " in the window in front (" +
           front->objectName().toStdString() + ")");
}

void ScriptCommandRunner::needMainInFront(const char* what)
{
    Form* front = m_app.windows().front();
    if (front != &main())
        cannot(std::string("the selector cannot be reached for ") + what + ": the window " +
               front->objectName().toStdString() + " is in front of the main window (modal)");
}

void ScriptCommandRunner::clickSelector(int n)
{
    main().selectorButton(n)->setChecked(true);
    main().selectorClicked(n);
}

void ScriptCommandRunner::press(const std::string& target)
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

void ScriptCommandRunner::type(const std::string& target, const std::string& text)
{
    std::string name;
    Form* form = reachable(target, name, "text box");
    auto* line = form->findChild<QLineEdit*>(QString::fromStdString(name));
    if (!line)
        notInFront(name, "text box", false);
    if (!form->typeInto(name, fromBytes(text)))
        cannot("the text box " + name + " does not take typing");
}

void ScriptCommandRunner::tick(const std::string& target, long count)
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

void ScriptCommandRunner::customer(const std::string& action)
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

void ScriptCommandRunner::fault(const std::string& fault)
{
    // An action of its own, so that a saved session sets the fault too.
    const Session::ActionScope doing(m_app.session(), {UserAction::Kind::Fault, {}, {}, 0, fault});
    try {
        AutomationObject& server = m_app.server();
        if (auto* site = dynamic_cast<forecourt::ForecourtServer*>(&server))
            m_out << "fault: " << site->setFault(fault) << "\n";
        else if (auto* bus = dynamic_cast<dbus::DBusClient*>(&server); bus && bus->hasFaults())
            m_out << "fault: " << bus->fault(fault) << "\n";
        else
            cannot("fault needs the embedded forecourt, or a simulated site served on D-Bus "
                   "(vantrel-forecourt): this server has no faults to set");
    } catch (const forecourt::FaultError& e) {
        cannot(std::string("the fault cannot be set: ") + e.what());
    } catch (const AutomationError& e) {
        cannot(std::string("the fault cannot be set: ") + e.description());
    }
}

void ScriptCommandRunner::expect(const ScriptCommand& c)
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
    judge(c, c.target, m_app.session().box(*box));
}

void ScriptCommandRunner::rawCall(const ScriptCommand& c)
{
    std::optional<Value> result = vantrel::rawCall(m_app.session(), c.access, c.target, c.value);
    if (c.access != Access::Get)
        return;
    m_result = std::move(result);
    m_resultLine = c.line;
}

void ScriptCommandRunner::expectResult(const ScriptCommand& c)
{
    if (m_result && c.kind == ScriptCommand::Kind::ExpectResultType) {
        const std::string what = "result " + conformance::resultTypeWords(c.text);
        if (conformance::resultTakenAs(*m_result, c.text)) {
            m_out << "ok: " << what << "\n";
            return;
        }
        const std::string failure = "line " + std::to_string(c.line) + ": expected " + what + ", but it is " + quoted(*m_result);
        m_out << "FAILED " << failure << "\n";
        failures.push_back({failure, "line " + std::to_string(c.line) + ": expected " + what + ", but it is not"});
        return;
    }
    if (m_result) {
        // A string result is judged where it lies: an answer of 50 MB is not copied for it.
        if (m_result->type() == Value::Type::String)
            judge(c, "result", m_result->asString());
        else
            judge(c, "result", toText(*m_result));
        return;
    }
    // The reader saw a get before this line; its call failed, so there is nothing to check.
    const bool is = c.kind == ScriptCommand::Kind::ExpectResultIs;
    const bool type = c.kind == ScriptCommand::Kind::ExpectResultType;
    const std::string head = "line " + std::to_string(c.line) + ": expected result" +
                             (type ? " of type \"" : is ? " to be \"" : " to contain \"");
    const std::string tail = "\"" + quoteCutNote(c.text.size()) + ", but the get on line " +
                             std::to_string(m_resultLine) + " failed and returned no result";
    m_out << "FAILED " << head << quoted(c.text) << tail << "\n";
    failures.push_back({head + quoted(c.text) + tail, head + m_masker.quoted(c.text) + tail});
}

void ScriptCommandRunner::judge(const ScriptCommand& c, const std::string& what, std::string_view actual)
{
    const bool is = c.kind == ScriptCommand::Kind::ExpectIs || c.kind == ScriptCommand::Kind::ExpectResultIs;
    const bool held = is ? actual == c.text : actual.find(c.text) != std::string_view::npos;
    // Both sides are quoted by their start and said by their length: a box
    // or an answer of many megabytes makes a line of a few kilobytes, in the
    // output and in the report alike.
    const std::string wantedCut = quoteCutNote(c.text.size());
    if (held) {
        m_out << "ok: " << what << (is ? " is " : " contains ") << "\"" << quoted(c.text) << "\"" << wantedCut << "\n";
        return;
    }
    const std::string head = "line " + std::to_string(c.line) + ": expected " + what + (is ? " to be \"" : " to contain \"");
    const std::string heldCut = quoteCutNote(actual.size());
    const std::string failure =
        head + quoted(c.text) + "\"" + wantedCut + ", but it holds \"" + quoted(actual) + "\"" + heldCut;
    m_out << "FAILED " << failure << "\n";
    failures.push_back({failure, head + m_masker.quoted(c.text) + "\"" + wantedCut + ", but it holds \"" +
                                     m_masker.quoted(actual) + "\"" + heldCut});
}

} // namespace vantrel::script_run
