// Typed values and whole calls as the compose window holds them: the type's
// own reading with its ranges, the member's check, and an earlier call's
// parts coming back as the same call.
#include "compose/composed_call.h"
#include "support/case_names.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;
using namespace vantrel::compose;
using namespace std::string_literals;

namespace {

struct TypedCase {
    const char* name;
    Value::Type type;
    std::string text;
    std::optional<Value> value;
    std::string problem; // the start of the reason, when there is one
};

class Typed : public ::testing::TestWithParam<TypedCase> {};

TEST_P(Typed, ReadsItsTextOrSaysWhyNot)
{
    const TypedCase& c = GetParam();
    const TypedRead read = readTyped(c.type, c.text);
    EXPECT_EQ(read.value, c.value);
    EXPECT_EQ(read.problem.substr(0, c.problem.size()), c.problem);
    EXPECT_EQ(read.problem.empty(), c.problem.empty()) << read.problem;
}

const std::string kInt16Range = "int16 takes a whole number from -32768 to 32767, not ";

INSTANTIATE_TEST_SUITE_P(
    Cases, Typed,
    ::testing::Values(TypedCase{"Int16Largest", Value::Type::Int16, "32767", Value::int16(32767), ""},
                      TypedCase{"Int16Smallest", Value::Type::Int16, "-32768", Value::int16(-32768), ""},
                      TypedCase{"Int16AboveRange", Value::Type::Int16, "32768", std::nullopt, kInt16Range + "\"32768\""},
                      TypedCase{"Int16BelowRange", Value::Type::Int16, "-32769", std::nullopt, kInt16Range},
                      TypedCase{"Int16WithBlanks", Value::Type::Int16, "  7 ", Value::int16(7), ""},
                      TypedCase{"Int16NotANumber", Value::Type::Int16, "7x", std::nullopt, kInt16Range},
                      TypedCase{"Int16Empty", Value::Type::Int16, "", std::nullopt, "int16 needs a value after it"},
                      TypedCase{"Int32AboveInt16", Value::Type::Int32, "40000", Value::int32(40000), ""},
                      TypedCase{"Double", Value::Type::Double, "-2.5", Value::real(-2.5), ""},
                      TypedCase{"DoubleWord", Value::Type::Double, "two", std::nullopt, "double takes a decimal number"},
                      TypedCase{"BoolTrue", Value::Type::Bool, "true", Value::boolean(true), ""},
                      TypedCase{"BoolZero", Value::Type::Bool, "0", Value::boolean(false), ""},
                      TypedCase{"BoolOther", Value::Type::Bool, "yes", std::nullopt, "bool takes true, false, 1 or 0"},
                      TypedCase{"NoneTakesNothing", Value::Type::Empty, "7", std::nullopt, ""}),
    test_names::ByName{});

TEST(ValueTypes, HaveTheWindowsNames)
{
    for (const Value::Type type : kValueTypes)
        EXPECT_EQ(valueTypeNamed(valueTypeName(type)), type);
    EXPECT_EQ(valueTypeName(Value::Type::Empty), "none");
    EXPECT_EQ(valueTypeNamed("empty"), std::nullopt);
}

struct CallCase {
    const char* name;
    ComposedCall call;
    std::string problem; // the start of the reason, empty when it can be sent
};

class Calls : public ::testing::TestWithParam<CallCase> {};

TEST_P(Calls, CanBeSentOrSayWhyNot)
{
    std::string problem;
    valueOf(GetParam().call, problem);
    EXPECT_EQ(problem.substr(0, GetParam().problem.size()), GetParam().problem);
    EXPECT_EQ(problem.empty(), GetParam().problem.empty()) << problem;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Calls,
    ::testing::Values(
        CallCase{"PutOfARecord", {Access::Put, "Price", Value::Type::String, "FuelingPosition=07\r\n\0"s, ""}, ""},
        CallCase{"PutOfTheEmptyString", {Access::Put, "Stop", Value::Type::String, "", ""}, ""},
        CallCase{"GetWithoutArgument", {Access::Get, "CardQue", Value::Type::Empty, "", ""}, ""},
        CallCase{"NoMember", {Access::Get, "", Value::Type::Empty, "", ""}, "get needs a member name"},
        CallCase{"NoMemberName", {Access::Get, "Card-Que", Value::Type::Empty, "", ""}, "\"Card-Que\" is not a member name"},
        CallCase{"MemberBeginsWithADigit", {Access::Call, "1Que", Value::Type::Empty, "", ""}, "\"1Que\" is not a member name"},
        CallCase{"PutWithoutValue", {Access::Put, "Stop", Value::Type::Empty, "", ""}, "put needs a type and a value"},
        CallCase{"Int16OutOfRange", {Access::Put, "TankMonitorStartReport", Value::Type::Int16, "", "70000"}, kInt16Range}),
    test_names::ByName{});

TEST(Members, AreFoundInAnyCase)
{
    const std::vector<MemberEntry> members{{"Price", Access::Put, Value::Type::String},
                                           {"FuelingPositionInformation", Access::Get, Value::Type::Int16}};
    ASSERT_NE(findMember(members, "fuelingpositioninformation"), nullptr);
    EXPECT_EQ(findMember(members, "fuelingpositioninformation")->type, Value::Type::Int16);
    EXPECT_EQ(findMember(members, "Prices"), nullptr);
}

struct EarlierCase {
    const char* name;
    Access access;
    std::optional<Value> value;
};

class EarlierCalls : public ::testing::TestWithParam<EarlierCase> {};

TEST_P(EarlierCalls, ComeBackAsTheSameCall)
{
    const EarlierCase& c = GetParam();
    const ComposedCall call = composedFrom(c.access, "Member_1", c.value);
    EXPECT_EQ(call.access, c.access);
    EXPECT_EQ(call.member, "Member_1");
    std::string problem;
    const std::optional<Value> value = valueOf(call, problem);
    EXPECT_EQ(problem, "");
    ASSERT_EQ(value.has_value(), c.value.has_value());
    if (value && value->type() == Value::Type::Double) {
        EXPECT_EQ(std::signbit(value->asDouble()), std::signbit(c.value->asDouble())); // -0 stays -0
    }
    EXPECT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EarlierCalls,
    ::testing::Values(EarlierCase{"Record", Access::Put, Value::string("A=1\r\n\0"s)},
                      EarlierCase{"Int16", Access::Get, Value::int16(-7)},
                      EarlierCase{"Int32", Access::Call, Value::int32(2147483647)},
                      EarlierCase{"Double", Access::Get, Value::real(0.1)},
                      EarlierCase{"NegativeZero", Access::Get, Value::real(-0.0)},
                      EarlierCase{"Bool", Access::Put, Value::boolean(false)},
                      EarlierCase{"None", Access::Call, std::nullopt}),
    test_names::ByName{});

} // namespace
