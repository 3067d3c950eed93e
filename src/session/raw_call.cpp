#include "raw_call.h"

#include "script.h"
#include "session.h"

#include "server/conversions.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace vantrel {

namespace {

constexpr std::string_view kTypes = "string, int16, int32, double or bool";

// Text of a line quoted in a message, cut where it is long.
std::string quoted(std::string_view text)
{
    constexpr std::size_t kShown = 40;
    return "\"" + std::string(text.substr(0, kShown)) + (text.size() > kShown ? "...\"" : "\"");
}

template <typename Number>
bool readWhole(std::string_view text, Number& out)
{
    const auto res = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && res.ec == std::errc() && res.ptr == text.data() + text.size();
}

// A decimal number, or one of the words a non-finite double is shown as.
bool readDouble(std::string_view text, double& out)
{
    if (!readWhole(text, out))
        return false;
    return std::isfinite(out) || text == "NaN" || text == "Infinity" || text == "-Infinity";
}

// The value of TYPE written as `text` (`hasText`: a blank followed TYPE).
Value readValue(std::string_view type, std::string_view text, bool hasText)
{
    if (type == typeName(Value::Type::String))
        return Value::string(unescapeText(text));
    if (type.empty())
        throw ScriptError{0, "after the member write TYPE VALUE, TYPE one of " + std::string(kTypes)};
    bool known = false;
    for (Value::Type t : {Value::Type::Int16, Value::Type::Int32, Value::Type::Double, Value::Type::Bool})
        known = known || type == typeName(t);
    if (!known)
        throw ScriptError{0, "unknown type " + quoted(type) + ": write " + std::string(kTypes)};
    if (!hasText || text.empty())
        throw ScriptError{0, std::string(type) + " needs a value after it"};
    if (type == "int16") {
        std::int16_t n = 0;
        if (!readWhole(text, n))
            throw ScriptError{0, "int16 takes a whole number from -32768 to 32767, not " + quoted(text)};
        return Value::int16(n);
    }
    if (type == "int32") {
        std::int32_t n = 0;
        if (!readWhole(text, n))
            throw ScriptError{0, "int32 takes a whole number from -2147483648 to 2147483647, not " + quoted(text)};
        return Value::int32(n);
    }
    if (type == "double") {
        double d = 0;
        if (!readDouble(text, d))
            throw ScriptError{0, "double takes a decimal number (2.5, -0.125, 1e-3), NaN, Infinity or -Infinity, not " +
                                     quoted(text)};
        return Value::real(d);
    }
    if (text != "true" && text != "false" && text != "1" && text != "0")
        throw ScriptError{0, "bool takes true, false, 1 or 0, not " + quoted(text)};
    return Value::boolean(text == "true" || text == "1");
}

// A double as the line writes it: the utility's plain decimal form, which
// reads back as the same double, keeping the sign of a negative zero.
std::string doubleText(double d)
{
    if (d == 0 && std::signbit(d))
        return "-0";
    return toText(Value::real(d));
}

} // namespace

std::string rawCallProblem(Access access, std::string_view member, const std::optional<Value>& value)
{
    if (member.empty())
        return std::string(accessName(access)) + " needs a member name";
    if (!isMemberName(member))
        return quoted(member) +
               " is not a member name (ASCII letters, digits and _, not beginning with a digit, at most 255)";
    if (access == Access::Put && !value)
        return "put needs a type and a value: put MEMBER TYPE VALUE";
    if (value && value->isEmpty())
        return "an empty value cannot be sent: give it a type, " + std::string(kTypes);
    if (value && value->type() == Value::Type::String && value->asString().size() > kRawValueLimit)
        return "the value is " + std::to_string(value->asString().size()) + " bytes long; a call sends at most " +
               std::to_string(kRawValueLimit) + " bytes in one value";
    return {};
}

std::string rawCallLine(Access access, std::string_view member, const std::optional<Value>& value)
{
    if (const std::string problem = rawCallProblem(access, member, value); !problem.empty())
        throw std::invalid_argument(problem);
    std::string line = std::string(accessName(access)) + " " + std::string(member);
    if (!value)
        return line;
    line += ' ';
    line += typeName(value->type());
    switch (value->type()) {
    case Value::Type::String:
        // The empty string is the type alone: a blank at the end would not survive an editor.
        if (!value->asString().empty())
            line += " " + scriptText(value->asString());
        break;
    case Value::Type::Double: line += " " + doubleText(value->asDouble()); break;
    case Value::Type::Bool: line += value->asBool() ? " true" : " false"; break;
    default: line += " " + toText(*value); break;
    }
    return line;
}

void readRawCall(Access access, std::string_view rest, std::string& member, std::optional<Value>& value)
{
    const auto blank = rest.find(' ');
    member = std::string(rest.substr(0, blank));
    value.reset();
    if (!isMemberName(member))
        throw ScriptError{0, rawCallProblem(access, member, value)};
    if (blank != std::string_view::npos) {
        const std::string_view typed = rest.substr(blank + 1);
        const auto typeEnd = typed.find(' ');
        const std::string_view text = typeEnd == std::string_view::npos ? std::string_view() : typed.substr(typeEnd + 1);
        value = readValue(typed.substr(0, typeEnd), text, typeEnd != std::string_view::npos);
    }
    if (const std::string problem = rawCallProblem(access, member, value); !problem.empty())
        throw ScriptError{0, problem};
}

std::optional<Value> rawCall(Session& session, Access access, std::string_view member,
                             const std::optional<Value>& value, const std::string& window)
{
    if (const std::string problem = rawCallProblem(access, member, value); !problem.empty())
        throw std::invalid_argument(problem);
    // One command at a time, as for a click: nothing starts while another runs.
    if (session.callInProgress() || session.handlerRunning())
        return std::nullopt;
    const std::string name(member);
    std::optional<Value> result;
    session.runAction({UserAction::Kind::Call, window, name, 0, accessName(access)}, [&](Session& s) {
        AutomationObject& server = s.server();
        switch (access) {
        case Access::Put: server.put(name, *value); break;
        case Access::Get: result = server.get(name, value); break;
        case Access::Call: result = server.call(name, value); break;
        }
    });
    return result;
}

} // namespace vantrel
