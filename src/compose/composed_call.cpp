#include "composed_call.h"

#include "server/ascii_text.h"
#include "session/raw_call.h"
#include "session/script.h"

namespace vantrel::compose {

namespace {
// readRawCall reads "MEMBER TYPE VALUE": a name it accepts stands before the typed text.
constexpr std::string_view kPlaceholder = "Value";

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
} // namespace

std::string valueTypeName(Value::Type type) { return type == Value::Type::Empty ? "none" : typeName(type); }

std::optional<Value::Type> valueTypeNamed(std::string_view name)
{
    for (const Value::Type type : kValueTypes)
        if (valueTypeName(type) == name)
            return type;
    return std::nullopt;
}

const MemberEntry* findMember(const std::vector<MemberEntry>& members, std::string_view name)
{
    for (const MemberEntry& m : members)
        if (equalsIgnoreCase(m.name, name))
            return &m;
    return nullptr;
}

TypedRead readTyped(Value::Type type, std::string_view text)
{
    TypedRead read;
    if (type == Value::Type::String || type == Value::Type::Empty)
        return read;
    const std::string rest = std::string(kPlaceholder) + " " + valueTypeName(type) + " " + std::string(trimmed(text));
    std::string member;
    try {
        readRawCall(Access::Call, rest, member, read.value);
    } catch (const ScriptError& e) {
        read.value.reset();
        read.problem = e.reason;
    }
    return read;
}

std::string typedText(const Value& value)
{
    if (value.type() == Value::Type::String)
        return value.asString();
    if (value.isEmpty())
        return {};
    // "call Value TYPE TEXT": the line's own form of the value.
    const std::string line = rawCallLine(Access::Call, kPlaceholder, value);
    const std::string lead = "call " + std::string(kPlaceholder) + " " + typeName(value.type()) + " ";
    return line.substr(lead.size());
}

std::optional<Value> valueOf(const ComposedCall& call, std::string& problem)
{
    std::optional<Value> value;
    // The member first, as the window reads: its name stands above the value.
    problem = isMemberName(call.member) ? std::string() : rawCallProblem(call.access, call.member, std::nullopt);
    if (call.type == Value::Type::String) {
        value = Value::string(call.bytes);
    } else if (call.type != Value::Type::Empty) {
        TypedRead read = readTyped(call.type, call.typed);
        if (problem.empty())
            problem = std::move(read.problem);
        value = std::move(read.value);
    }
    if (problem.empty())
        problem = rawCallProblem(call.access, call.member, value);
    return value;
}

ComposedCall composedFrom(Access access, std::string_view member, const std::optional<Value>& value)
{
    ComposedCall call;
    call.access = access;
    call.member = std::string(member);
    call.type = value ? value->type() : Value::Type::Empty;
    if (value && value->type() == Value::Type::String)
        call.bytes = value->asString();
    else if (value)
        call.typed = typedText(*value);
    return call;
}

} // namespace vantrel::compose
