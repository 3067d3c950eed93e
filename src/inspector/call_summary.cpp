#include "call_summary.h"

#include "copy_forms.h"

#include "server/conversions.h"

namespace vantrel::inspector {

namespace {

constexpr std::size_t kArgumentShown = 40;

std::string latin1ToUtf8(std::string_view latin1)
{
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            utf8 += ch;
        } else {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

std::string describeValue(const Value& value, std::size_t omitted)
{
    if (value.type() == Value::Type::String) {
        const std::size_t kept = value.asString().size();
        const std::size_t size = kept + omitted;
        std::string text = std::to_string(size) + (size == 1 ? " byte" : " bytes");
        if (omitted)
            text += ", the first " + std::to_string(kept) + " kept";
        return text;
    }
    if (value.isEmpty())
        return "empty";
    return std::string(typeName(value.type())) + " " + toText(value);
}

// An argument inside the parentheses: numbers as they are, strings with
// their control bytes named and long ones cut.
std::string describeArgument(const Value& value)
{
    if (value.type() != Value::Type::String)
        return toText(value);
    const std::string& text = value.asString();
    std::string shown = "\"" + latin1ToUtf8(copyAsText(std::string_view(text).substr(0, kArgumentShown)));
    // A line break after <LF> does not belong on a header line.
    std::erase(shown, '\n');
    shown += text.size() > kArgumentShown ? "\"…" : "\"";
    return shown;
}

} // namespace

CallEvent keepBounded(const CallEvent& event, std::size_t limit, Omitted& omitted)
{
    omitted = {};
    auto bounded = [limit](const std::optional<Value>& v, std::size_t& left) -> std::optional<Value> {
        if (!v || v->type() != Value::Type::String || v->asString().size() <= limit)
            return v;
        left = v->asString().size() - limit;
        return Value::string(v->asString().substr(0, limit));
    };
    CallEvent kept{event.access, event.member, bounded(event.argument, omitted.argument),
                   bounded(event.result, omitted.result), event.window, event.control, event.atMs, event.durationMs,
                   event.client};
    return kept;
}

std::size_t shownOmitted(const CallEvent& event, const Omitted& omitted)
{
    return event.access != Access::Put && event.result ? omitted.result : omitted.argument;
}

std::string groupDigits(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), 1, ',');
    return digits;
}

std::string omittedNote(std::size_t omitted)
{
    return groupDigits(omitted) + (omitted == 1 ? " more byte not kept" : " more bytes not kept");
}

std::string shownBytes(const CallEvent& event)
{
    if (event.access != Access::Put && event.result)
        return toText(*event.result);
    return event.argument ? toText(*event.argument) : std::string();
}

std::string describeCall(const CallEvent& event, const Omitted& omitted)
{
    std::string header = std::string(accessName(event.access)) + " " + event.member;
    if (event.access == Access::Put) {
        if (event.argument)
            header += " · " + describeValue(*event.argument, omitted.argument);
        return header;
    }
    if (event.argument)
        header += "(" + describeArgument(*event.argument) + ")";
    if (event.result)
        header += " → " + describeValue(*event.result, omitted.result);
    return header;
}

std::string describeFailure(const CallEvent& event, int number, std::string_view description, const Omitted& omitted)
{
    std::string header = "error " + std::to_string(number);
    if (!description.empty())
        header += ": " + std::string(description);
    return header + " · " + describeCall(event, omitted);
}

} // namespace vantrel::inspector
