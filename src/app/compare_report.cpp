#include "compare_report.h"

#include "junit_report.h"

#include "dbus/latin1.h"
#include "inspector/copy_forms.h"
#include "journal/card_mask.h"
#include "server/conversions.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

namespace vantrel::compare {

namespace {

constexpr std::size_t kArgumentShown = 40; // of a string argument in a call's name
constexpr std::size_t kBefore = 24;        // bytes shown before the first that differs
constexpr std::size_t kAfter = 40;         // ... and from it on

// What came back, as compared: nothing (a put taken), an error, or a value
// (a string with the ignored lines left out; `whole` where it is kept in part).
struct Answer {
    enum class Kind { Nothing, Error, Value } kind = Kind::Nothing;
    int error = 0;
    std::string description;
    Value value;
    std::optional<Whole> whole;
};

Answer answerOf(const SeenCall& call, const std::vector<std::string>& ignore)
{
    if (call.error)
        return {Answer::Kind::Error, *call.error, call.description, {}, {}};
    if (!call.result)
        return {};
    // A value kept in part had its lines left out before it was cut.
    if (call.result->type() == Value::Type::String && !call.resultWhole)
        return {Answer::Kind::Value, 0, {}, Value::string(withoutKeys(call.result->asString(), ignore)), {}};
    return {Answer::Kind::Value, 0, {}, *call.result, call.resultWhole};
}

// Values are the same when their types are and their text or bytes are; a
// value kept in part is the same as another of the same length and digest.
bool sameValue(const Value& a, const std::optional<Whole>& wa, const Value& b, const std::optional<Whole>& wb)
{
    if (a.type() != b.type())
        return false;
    if (wa || wb)
        return wa == wb;
    return a.type() == Value::Type::String ? a.asString() == b.asString() : toText(a) == toText(b);
}

bool sameAnswer(const Answer& a, const Answer& b)
{
    if (a.kind != b.kind)
        return false;
    if (a.kind == Answer::Kind::Error)
        return a.error == b.error;
    return a.kind == Answer::Kind::Nothing || sameValue(a.value, a.whole, b.value, b.whole);
}

bool sameArgument(const SeenCall& a, const SeenCall& b)
{
    return a.argument.has_value() == b.argument.has_value() &&
           (!a.argument || sameValue(*a.argument, a.argumentWhole, *b.argument, b.argumentWhole));
}

std::size_t columns(std::string_view utf8)
{
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string hexByte(unsigned char c)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", c);
    return text;
}

// "get FuelingPositionInformation(7)", "put Authorize", "call InvokeHelpFile()".
std::string callName(const SeenCall& call)
{
    std::string name = std::string(accessName(call.access)) + " " + call.member;
    if (call.access == Access::Put)
        return name;
    std::string argument;
    if (call.argument && call.argument->type() == Value::Type::String) {
        const std::string& bytes = call.argument->asString();
        argument = "\"" + markedLine(std::string_view(bytes).substr(0, kArgumentShown)) + "\"" +
                   (bytes.size() > kArgumentShown ? "…" : "");
    } else if (call.argument) {
        argument = toText(*call.argument);
    }
    return name + "(" + argument + ")";
}

// A difference told: its heading, and the lines that show both sides.
struct Told {
    std::string heading;
    std::vector<std::string> lines;
    bool caret = false; // the last line is the caret line
};

class Teller {
public:
    explicit Teller(const CompareSettings& settings)
        : m_settings(settings), m_width(std::max(settings.nameA.size(), settings.nameB.size()))
    {
    }

    // Nothing when the two calls are the same.
    std::optional<Told> tell(const SeenCall* a, const SeenCall* b) const
    {
        if (!a || !b) {
            const SeenCall& only = a ? *a : *b;
            const std::string& side = a ? m_settings.nameA : m_settings.nameB;
            return Told{"only " + side + " was asked: " + callName(only), {label(side) + shownAnswer(only)}};
        }
        if (a->access != b->access || a->member != b->member)
            return Told{m_settings.nameA + " called " + callName(*a) + ", " + m_settings.nameB + " called " +
                            callName(*b),
                        {label(m_settings.nameA) + shownAnswer(*a), label(m_settings.nameB) + shownAnswer(*b)}};
        if (!sameArgument(*a, *b))
            return values(callName(*a) + ": the values sent differ", a->argument.value_or(Value()), a->argumentWhole,
                          b->argument.value_or(Value()), b->argumentWhole);
        const Answer x = answerOf(*a, m_settings.ignore), y = answerOf(*b, m_settings.ignore);
        if (sameAnswer(x, y))
            return std::nullopt;
        const std::string name = callName(*a);
        if (x.kind == Answer::Kind::Value && y.kind == Answer::Kind::Value)
            return values(name + ": the answers differ", x.value, x.whole, y.value, y.whole);
        return Told{name + ": " + contrast(x, y), {label(m_settings.nameA) + shownAnswer(x),
                                                   label(m_settings.nameB) + shownAnswer(y)}};
    }

private:
    std::string label(const std::string& side) const
    {
        return "  " + side + ":" + std::string(m_width - side.size() + 1, ' ');
    }

    std::string contrast(const Answer& x, const Answer& y) const
    {
        if (x.kind == Answer::Kind::Error && y.kind == Answer::Kind::Error)
            return "the errors differ: " + std::to_string(x.error) + " vs " + std::to_string(y.error);
        auto what = [](const Answer& a) {
            return a.kind == Answer::Kind::Error ? "error " + std::to_string(a.error)
                   : a.kind == Answer::Kind::Value ? std::string("a value") : std::string("nothing");
        };
        return m_settings.nameA + " answered " + what(x) + ", " + m_settings.nameB + " " + what(y);
    }

    // Two values sent or returned: strings with the first byte that differs marked.
    Told values(const std::string& heading, const Value& a, const std::optional<Whole>& wa, const Value& b,
                const std::optional<Whole>& wb) const
    {
        if (a.type() != Value::Type::String || b.type() != Value::Type::String)
            return {heading + (a.type() == b.type() ? ": " + toText(a) + " vs " + toText(b)
                                                    : std::string(" in type: ") + typeName(a.type()) + " vs " +
                                                          typeName(b.type())),
                    {label(m_settings.nameA) + shownValue(a), label(m_settings.nameB) + shownValue(b)}};
        const std::string_view x = a.asString(), y = b.asString();
        const auto differs = firstDifference(x, y);
        if (!differs) // the bytes kept of both are the same: they differ further on
            return {heading + " after their first " + std::to_string(x.size()) + " bytes, which are alike (" +
                        std::to_string(wa ? wa->size : x.size()) + " vs " + std::to_string(wb ? wb->size : y.size()) +
                        " bytes)",
                    {label(m_settings.nameA) + shownValue(a), label(m_settings.nameB) + shownValue(b)}};
        const std::size_t at = *differs;
        auto byteAt = [at](std::string_view s, const std::string& side) {
            return at < s.size() ? hexByte(static_cast<unsigned char>(s[at])) : "the end of " + side + "'s";
        };
        Told told{heading + " at byte " + std::to_string(at) + ": " + byteAt(x, m_settings.nameA) + " vs " +
                      byteAt(y, m_settings.nameB),
                  {}, true};
        const std::size_t from = at > kBefore ? at - kBefore : 0;
        told.lines.push_back(label(m_settings.nameA) + excerpt(x, from, at));
        told.lines.push_back(label(m_settings.nameB) + excerpt(y, from, at));
        const std::size_t column = label(m_settings.nameA).size() + (from > 0 ? 1 : 0) + 1 +
                                   columns(markedLine(x.substr(from, at - from)));
        told.lines.push_back(std::string(column, ' ') + "^");
        return told;
    }

    static std::string excerpt(std::string_view bytes, std::size_t from, std::size_t at)
    {
        const std::string_view piece = bytes.substr(std::min(from, bytes.size()), at - from + kAfter);
        const bool more = from + piece.size() < bytes.size();
        return (from > 0 ? "…\"" : "\"") + markedLine(piece) + (more ? "\"…" : "\"");
    }

    static std::string shownValue(const Value& v)
    {
        if (v.type() == Value::Type::String)
            return excerpt(v.asString(), 0, 0);
        return v.isEmpty() ? "(empty)" : toText(v) + " (" + typeName(v.type()) + ")";
    }

    std::string shownAnswer(const SeenCall& call) const { return shownAnswer(answerOf(call, m_settings.ignore)); }

    static std::string shownAnswer(const Answer& a)
    {
        switch (a.kind) {
        case Answer::Kind::Error: return "error " + std::to_string(a.error) + ": " + markedLine(a.description);
        case Answer::Kind::Value: return shownValue(a.value);
        case Answer::Kind::Nothing: break;
        }
        return "nothing came back";
    }

    const CompareSettings& m_settings;
    std::size_t m_width;
};

// "tour.vts:5", or for a call no line made, "tour.vts (start-up)"; the other
// side's line where it is another.
std::string place(const std::string& script, const SeenCall* a, const SeenCall* b, const CompareSettings& s)
{
    const SeenCall& first = a ? *a : *b;
    std::string text = first.line > 0 ? script + ":" + std::to_string(first.line) : script + " (start-up)";
    if (a && b && b->line > 0 && b->line != a->line)
        text += " (" + s.nameB + ": line " + std::to_string(b->line) + ")";
    return text;
}

std::string oneLine(const std::string& where, const Told& told)
{
    std::string text = where + ": " + told.heading;
    const std::size_t shown = told.lines.size() - (told.caret ? 1 : 0);
    for (std::size_t i = 0; i < shown; ++i) {
        std::string line = told.lines[i];
        line.erase(0, line.find_first_not_of(' '));
        text += (i == 0 ? " — " : "; ") + line;
    }
    return text;
}

const SeenCall* at(const std::vector<SeenCall>& calls, std::size_t i) { return i < calls.size() ? &calls[i] : nullptr; }

} // namespace


std::optional<std::size_t> firstDifference(std::string_view a, std::string_view b)
{
    const auto [x, y] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (x == a.end() && y == b.end())
        return std::nullopt;
    return static_cast<std::size_t>(x - a.begin());
}

std::string markedLine(std::string_view bytes)
{
    std::string text = fromBytes(inspector::copyAsText(bytes)).toStdString();
    // The line break after <LF> does not belong on one line.
    std::erase(text, '\n');
    return text;
}

ScriptComparison compareScript(const ScriptCalls& a, const ScriptCalls& b, const CompareSettings& settings)
{
    ScriptComparison outcome;
    for (const auto* side : {&a, &b}) {
        if (side->notRun.empty())
            continue;
        const std::string text = a.script + ": " + (side == &a ? settings.nameA : settings.nameB) +
                                 " did not run it: " + side->notRun;
        outcome.printed.push_back(text);
        outcome.differences.push_back({text, text});
    }
    if (!outcome.differences.empty())
        return outcome;
    const Teller teller(settings);
    const auto& maskedA = a.masked.empty() ? a.calls : a.masked;
    const auto& maskedB = b.masked.empty() ? b.calls : b.masked;
    const std::size_t count = std::max(a.calls.size(), b.calls.size());
    for (std::size_t i = 0; i < count; ++i) {
        ++outcome.compared;
        const SeenCall *x = at(a.calls, i), *y = at(b.calls, i);
        const auto told = teller.tell(x, y);
        if (!told)
            continue;
        const std::string where = place(a.script, x, y, settings);
        std::string printed = where + ": " + told->heading;
        for (const auto& line : told->lines)
            printed += "\n" + line;
        outcome.printed.push_back(printed);
        // The report quotes the masked calls; where masking made them the same, it says so.
        const SeenCall *mx = at(maskedA, i), *my = at(maskedB, i);
        const auto maskedTold = teller.tell(mx, my);
        const std::string report =
            maskedTold ? oneLine(place(a.script, mx, my, settings), *maskedTold)
                       : place(a.script, mx, my, settings) + ": " + callName(mx ? *mx : *my) +
                             ": the answers differ in cardholder data (masked here)";
        outcome.differences.push_back({oneLine(where, *told), report});
    }
    return outcome;
}

void printScript(std::ostream& out, const ScriptCalls& a, const ScriptCalls& b, const ScriptComparison& outcome,
                 const CompareSettings& settings)
{
    out << "== " << a.script;
    if (!b.script.empty() && b.script != a.script)
        out << " (" << settings.nameB << ": " << b.script << ")";
    std::string verdicts;
    for (const auto& [name, side] : {std::pair{&settings.nameA, &a}, std::pair{&settings.nameB, &b}})
        if (!side->verdict.empty())
            verdicts += (verdicts.empty() ? ": " : ", ") + *name + " " + side->verdict;
    out << verdicts << "\n";
    for (const auto& text : outcome.printed)
        out << text << "\n";
}

std::string summaryLine(std::size_t compared, std::size_t differ)
{
    return std::to_string(compared) + (compared == 1 ? " call" : " calls") + " compared, " + std::to_string(differ) +
           (differ == 1 ? " differs" : " differ");
}

bool writeCompareJunit(const std::string& path, const std::vector<std::pair<std::string, ScriptComparison>>& scripts,
                       bool masked, std::string& reason)
{
    std::vector<std::pair<std::string, ScriptResult>> results;
    for (const auto& [name, outcome] : scripts)
        results.emplace_back(name, ScriptResult{outcome.differences.empty() ? 0 : 1, outcome.differences, outcome.seconds});
    return writeJunitReport(path, results, masked, reason);
}

} // namespace vantrel::compare
