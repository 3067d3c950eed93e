// A call as the compose window builds it, in plain C++: the member and how
// it is reached, the type of its value and the value's text, and whether it
// can be sent. The window turns a member's entry of the server's list into
// the kind and type it takes, a typed text into a Value (the script's own
// reading of "TYPE VALUE", raw_call.h), and an earlier call back into the
// parts of the window (Edit and resend).
#pragma once

#include "value_views.h"

#include "server/automation_object.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::compose {

// The types the window offers, in its order; Value::Type::Empty is "none":
// no value (a get or call without an argument).
inline constexpr Value::Type kValueTypes[] = {Value::Type::String, Value::Type::Int16, Value::Type::Int32,
                                              Value::Type::Double, Value::Type::Bool,  Value::Type::Empty};
// "string", "int16", "int32", "double", "bool", "none".
std::string valueTypeName(Value::Type type);
std::optional<Value::Type> valueTypeNamed(std::string_view name);

// A member the server lists: its name, Put or Get (a read, which a call
// reaches too), and the type of its value or argument.
struct MemberEntry {
    std::string name;
    Access access = Access::Get;
    Value::Type type = Value::Type::Empty;
    bool operator==(const MemberEntry&) const = default;
};

// The entry of that name, in any case; nullptr when the list lacks it.
const MemberEntry* findMember(const std::vector<MemberEntry>& members, std::string_view name);

// A value of a type other than string from its text (blanks around it
// ignored), or why it is none: "int16 takes a whole number from -32768 to
// 32767, not ...". The string type and "none" take no text here.
struct TypedRead {
    std::optional<Value> value;
    std::string problem;
};
TypedRead readTyped(Value::Type type, std::string_view text);
// The text readTyped reads back as the same value (a string's bytes as they are).
std::string typedText(const Value& value);

// What the window holds of a call.
struct ComposedCall {
    Access access = Access::Put;
    std::string member;
    Value::Type type = Value::Type::String;
    std::string bytes;    // a string's value
    std::string typed;    // the text of any other type's value
};

// The value the call sends: a string of its bytes, the typed value, or none.
// `problem` says why the call cannot be sent (a member that is no member
// name, the type's own reading, then rawCallProblem's reason); empty when it can.
std::optional<Value> valueOf(const ComposedCall& call, std::string& problem);

// The parts of an earlier call: its access, member, the type and text of its value.
ComposedCall composedFrom(Access access, std::string_view member, const std::optional<Value>& value);

} // namespace vantrel::compose
