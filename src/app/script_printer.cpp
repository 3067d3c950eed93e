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

namespace {

// A value as a call's line quotes it: a string of more than kPrintedBytes by
// its start and its length, so that a server that answers 50 MB to every
// read does not print 50 MB a line.
std::string printed(const Value& v)
{
    if (v.type() != Value::Type::String || v.asString().size() <= kPrintedBytes)
        return shown(v);
    const std::string& bytes = v.asString();
    return "\"" + shown(std::string_view(bytes).substr(0, kPrintedBytes)) + "\"\u2026 (" +
           std::to_string(bytes.size()) + " bytes, the first " + std::to_string(kPrintedBytes) + " shown)";
}

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
    m_out << "error " << number << " from " << member << ": " << shown(description) << "\n";
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
    m_out << boxName(box) << " = \"" << shown(text) << "\"\n";
}

void ScriptPrinter::boxAppended(Box box, std::string_view appended, std::string_view)
{
    m_out << boxName(box) << " += \"" << shown(appended) << "\"\n";
}

void ScriptPrinter::errorRaised(int number, std::string_view description)
{
    m_out << "error " << number << " from the utility: " << shown(description) << "\n";
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
