#include "script_printer.h"

#include "server/conversions.h"
#include "widgets/display_form.h"

#include <ostream>

namespace vantrel::script_run {

std::string shown(std::string_view bytes) { return toDisplayForm(bytes, false).toStdString(); }

std::string shown(const Value& v)
{
    switch (v.type()) {
    case Value::Type::String: return "\"" + shown(v.asString()) + "\"";
    case Value::Type::Empty: return "(empty)";
    default: return toText(v) + " (" + typeName(v.type()) + ")";
    }
}

std::string cutNote(std::size_t size, std::size_t shown)
{
    if (size <= shown)
        return {};
    return "\u2026 (" + std::to_string(size) + " bytes, the first " + std::to_string(shown) + " shown)";
}

namespace {

// At most kPrintedBytes of the bytes, in their display form, and what
// follows them where they were cut ("… (N bytes, the first 65536 shown)"):
// a server that answers 50 MB to every read (or a box that holds its 1 MiB,
// or an error's words) does not print megabytes a line.
std::string shownStart(std::string_view bytes) { return shown(bytes.substr(0, kPrintedBytes)); }
std::string cutNote(std::size_t size) { return script_run::cutNote(size, kPrintedBytes); }

// Bytes as a line quotes them: in quotes, cut as above.
std::string printed(std::string_view bytes) { return "\"" + shownStart(bytes) + "\"" + cutNote(bytes.size()); }

// A value as a call's line quotes it: a string as above.
std::string printed(const Value& v) { return v.type() == Value::Type::String ? printed(v.asString()) : shown(v); }

} // namespace

void ScriptPrinter::callMade(const CallEvent& e)
{
    m_out << accessName(e.access) << " " << e.member;
    if (e.access == Access::Put) {
        m_out << " = " << printed(e.argument.value_or(Value()));
    } else {
        m_out << "(" << (e.argument ? printed(*e.argument) : "") << ")";
        if (e.result)
            m_out << " -> " << printed(*e.result);
    }
    m_out << "\n";
}

void ScriptPrinter::callFailed(std::string_view member, int number, std::string_view description)
{
    m_out << "error " << number << " from " << member << ": " << shownStart(description) << cutNote(description.size()) << "\n";
}

void ScriptPrinter::messageShown(std::string_view title, std::string_view text)
{
    m_out << "message [" << shown(title) << "] " << shown(text) << " -> OK\n";
}

void ScriptPrinter::questionAnswered(std::string_view title, std::string_view text, bool yes)
{
    m_out << "question [" << shown(title) << "] " << shown(text) << " -> " << (yes ? "yes" : "no") << "\n";
}

void ScriptPrinter::inputAnswered(std::string_view title, std::string_view prompt, std::string_view answer)
{
    m_out << "input [" << shown(title) << "] " << shown(prompt) << " -> \"" << shown(answer) << "\"\n";
}

void ScriptPrinter::boxChanged(Box box, std::string_view text)
{
    m_out << boxName(box) << " = " << printed(text) << "\n";
}

void ScriptPrinter::boxAppended(Box box, std::string_view appended, std::string_view)
{
    m_out << boxName(box) << " += " << printed(appended) << "\n";
}

void ScriptPrinter::errorRaised(int number, std::string_view description)
{
    m_out << "error " << number << " from the utility: " << shownStart(description) << cutNote(description.size()) << "\n";
}

void ScriptPrinter::windowShown(std::string_view window, bool isShown)
{
    m_out << "window " << window << (isShown ? " shown" : " hidden") << "\n";
}

void ScriptPrinter::waitStarted(int ticks)
{
    m_out << "wait " << ticks << " ticks\n";
}
} // namespace vantrel::script_run
