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

std::string describeValue(const Value& value)
{
    if (value.type() == Value::Type::String) {
        const std::size_t size = value.asString().size();
        return std::to_string(size) + (size == 1 ? " byte" : " bytes");
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

std::string shownBytes(const CallEvent& event)
{
    if (event.access != Access::Put && event.result)
        return toText(*event.result);
    return event.argument ? toText(*event.argument) : std::string();
}

std::string describeCall(const CallEvent& event)
{
    std::string header = std::string(accessName(event.access)) + " " + event.member;
    if (event.access == Access::Put) {
        if (event.argument)
            header += " · " + describeValue(*event.argument);
        return header;
    }
    if (event.argument)
        header += "(" + describeArgument(*event.argument) + ")";
    if (event.result)
        header += " → " + describeValue(*event.result);
    return header;
}

std::string describeFailure(const CallEvent& event, int number, std::string_view description)
{
    std::string header = "error " + std::to_string(number);
    if (!description.empty())
        header += ": " + std::string(description);
    return header + " · " + describeCall(event);
}

} // namespace vantrel::inspector
