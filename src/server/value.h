// The variant that crosses the automation boundary: what a handler assigns
// to a server member and what a read returns. Strings are byte strings
// (characters 0..255), exactly as they go to the terminal.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace vantrel {

class Value {
public:
    enum class Type { Empty, Int16, Int32, Double, String, Bool };

    Value() = default;
    static Value int16(std::int16_t v) { return Value(Storage(std::in_place_index<1>, v)); }
    static Value int32(std::int32_t v) { return Value(Storage(std::in_place_index<2>, v)); }
    static Value real(double v) { return Value(Storage(std::in_place_index<3>, v)); }
    static Value string(std::string v) { return Value(Storage(std::in_place_index<4>, std::move(v))); }
    static Value boolean(bool v) { return Value(Storage(std::in_place_index<5>, v)); }

    Type type() const { return static_cast<Type>(m_value.index()); }
    bool isEmpty() const { return type() == Type::Empty; }
    bool isNumeric() const { return type() == Type::Int16 || type() == Type::Int32 || type() == Type::Double; }

    std::int16_t asInt16() const { return std::get<1>(m_value); }
    std::int32_t asInt32() const { return std::get<2>(m_value); }
    double asDouble() const { return std::get<3>(m_value); }
    const std::string& asString() const { return std::get<4>(m_value); }
    bool asBool() const { return std::get<5>(m_value); }

    bool operator==(const Value& other) const = default;

private:
    using Storage = std::variant<std::monostate, std::int16_t, std::int32_t, double, std::string, bool>;
    explicit Value(Storage s) : m_value(std::move(s)) {}
    Storage m_value;
};

// Name of a type as the trace writes it: "empty", "int16", "int32", "double", "string", "bool".
const char* typeName(Value::Type type);

} // namespace vantrel
