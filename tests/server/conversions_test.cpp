#include "server/automation_error.h"
#include "server/conversions.h"

#include <gtest/gtest.h>

#include <set>

using namespace vantrel;

struct TextCase {
    Value value;
    std::string text;
};
class ToTextTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(ToTextTest, GivesPlainForm) { EXPECT_EQ(toText(GetParam().value), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(Values, ToTextTest,
                         ::testing::Values(TextCase{Value(), ""}, TextCase{Value::int16(-7), "-7"},
                                           TextCase{Value::int32(123456), "123456"}, TextCase{Value::real(2.5), "2.5"},
                                           TextCase{Value::real(15), "15"}, TextCase{Value::real(-0.25), "-0.25"},
                                           TextCase{Value::real(1e20), "100000000000000000000"},
                                           TextCase{Value::string(std::string("A\0B", 3)), std::string("A\0B", 3)},
                                           TextCase{Value::boolean(true), "True"}));

struct IntCase {
    Value value;
    int expected;
};
class ToInt16Test : public ::testing::TestWithParam<IntCase> {};
TEST_P(ToInt16Test, RoundsHalvesToEven) { EXPECT_EQ(toInt16(GetParam().value), GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(
    Values, ToInt16Test,
    ::testing::Values(IntCase{Value(), 0}, IntCase{Value::real(2.5), 2}, IntCase{Value::real(3.5), 4},
                      IntCase{Value::real(-2.5), -2}, IntCase{Value::real(32767.4), 32767},
                      IntCase{Value::real(-32768.0), -32768}, IntCase{Value::int32(-32768), -32768},
                      IntCase{Value::string(" 12 "), 12}, IntCase{Value::string("4.5"), 4}, IntCase{Value::boolean(true), -1}));

struct FailCase {
    Value value;
    ErrorCode code;
};
class ToInt16FailTest : public ::testing::TestWithParam<FailCase> {};
TEST_P(ToInt16FailTest, RaisesNumberedError)
{
    try {
        toInt16(GetParam().value);
        FAIL() << "no error";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), static_cast<int>(GetParam().code));
        EXPECT_FALSE(e.description().empty());
    }
}
INSTANTIATE_TEST_SUITE_P(Values, ToInt16FailTest,
                         ::testing::Values(FailCase{Value::real(32767.5), ErrorCode::Overflow},
                                           FailCase{Value::int32(40000), ErrorCode::Overflow},
                                           FailCase{Value::real(-32768.6), ErrorCode::Overflow},
                                           FailCase{Value::string("abc"), ErrorCode::TypeMismatch},
                                           FailCase{Value::string(""), ErrorCode::TypeMismatch},
                                           FailCase{Value::string("12abc"), ErrorCode::TypeMismatch}));

TEST(ErrorTable, NumbersAreUniqueAndDescribed)
{
    std::set<int> numbers;
    for (const auto& e : errorTable()) {
        EXPECT_TRUE(numbers.insert(static_cast<int>(e.code)).second) << static_cast<int>(e.code);
        EXPECT_GT(std::string(e.summary).size(), 3u);
    }
}

TEST(ErrorTable, DescriptionCarriesDetail)
{
    const AutomationError e(ErrorCode::UnknownMember, "'Foo'");
    EXPECT_EQ(e.number(), 438);
    EXPECT_EQ(e.description(), "The server has no such property or method: 'Foo'");
}
