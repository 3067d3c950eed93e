#include "server/automation_error.h"
#include "server/conversions.h"
#include "server/records.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <vector>

using namespace vantrel;

struct TextCase {
    const char* name;
    Value value;
    std::string text;
};
class ToTextTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(ToTextTest, GivesPlainForm) { EXPECT_EQ(toText(GetParam().value), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(Values, ToTextTest,
                         ::testing::Values(TextCase{"Empty", Value(), ""}, TextCase{"Int16Negative", Value::int16(-7), "-7"},
                                           TextCase{"Int32", Value::int32(123456), "123456"}, TextCase{"RealHalf", Value::real(2.5), "2.5"},
                                           TextCase{"RealWhole", Value::real(15), "15"}, TextCase{"RealNegativeQuarter", Value::real(-0.25), "-0.25"},
                                           TextCase{"RealTwentyDigits", Value::real(1e20), "100000000000000000000"},
                                           TextCase{"StringWithNul", Value::string(std::string("A\0B", 3)), std::string("A\0B", 3)},
                                           TextCase{"BooleanTrue", Value::boolean(true), "True"}),
                         vantrel::test_names::ByName{});

struct IntCase {
    const char* name;
    Value value;
    int expected;
};
class ToInt16Test : public ::testing::TestWithParam<IntCase> {};
TEST_P(ToInt16Test, RoundsHalvesToEven) { EXPECT_EQ(toInt16(GetParam().value), GetParam().expected); }
INSTANTIATE_TEST_SUITE_P(
    Values, ToInt16Test,
    ::testing::Values(IntCase{"Empty", Value(), 0}, IntCase{"TwoAndAHalfToTwo", Value::real(2.5), 2}, IntCase{"ThreeAndAHalfToFour", Value::real(3.5), 4},
                      IntCase{"MinusTwoAndAHalfToMinusTwo", Value::real(-2.5), -2}, IntCase{"JustBelowTheTop", Value::real(32767.4), 32767},
                      IntCase{"Bottom", Value::real(-32768.0), -32768}, IntCase{"Int32Bottom", Value::int32(-32768), -32768},
                      IntCase{"StringWithBlanks", Value::string(" 12 "), 12}, IntCase{"StringHalfToEven", Value::string("4.5"), 4}, IntCase{"BooleanTrue", Value::boolean(true), -1}),
                         vantrel::test_names::ByName{});

struct FailCase {
    const char* name;
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
                         ::testing::Values(FailCase{"RealOverTheTop", Value::real(32767.5), ErrorCode::Overflow},
                                           FailCase{"Int32OverTheTop", Value::int32(40000), ErrorCode::Overflow},
                                           FailCase{"RealUnderTheBottom", Value::real(-32768.6), ErrorCode::Overflow},
                                           FailCase{"StringNotANumber", Value::string("abc"), ErrorCode::TypeMismatch},
                                           FailCase{"StringEmpty", Value::string(""), ErrorCode::TypeMismatch},
                                           FailCase{"StringNumberThenLetters", Value::string("12abc"), ErrorCode::TypeMismatch}),
                         vantrel::test_names::ByName{});

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

// ---------------------------------------------------------------- number forms of any size

struct FormCase {
    const char* name;
    double value;
    int decimals; // -1: plainNumber
    std::string text;
};
class NumberFormTest : public ::testing::TestWithParam<FormCase> {};
TEST_P(NumberFormTest, WritesExactDigits)
{
    const auto& c = GetParam();
    EXPECT_EQ(c.decimals < 0 ? plainNumber(c.value) : fixedNumber(c.value, c.decimals), c.text);
}
INSTANTIATE_TEST_SUITE_P(
    Values, NumberFormTest,
    ::testing::Values(FormCase{"RoundsUpToThreePlaces", 1.9999, 3, "2.000"}, FormCase{"ZeroTwoPlaces", 0, 2, "0.00"}, FormCase{"NegativeOnePlace", -2.5, 1, "-2.5"},
                      FormCase{"TwentyDigitsOnePlace", 1e20, 1, "100000000000000000000.0"}, FormCase{"SmallestDenormalNoPlaces", 5e-324, 0, "0"},
                      FormCase{"TenToTheSixtyThreePlaces", 1e60, 3, "999999999999999949387135297074018866963645011013410073083904.000"},
                      FormCase{"TenToTheSixtyPlain", 1e60, -1, "999999999999999949387135297074018866963645011013410073083904"},
                      FormCase{"NegativeZeroPlain", -0.0, -1, "0"}, FormCase{"OneTenthPlain", 0.1, -1, "0.1"}),
                         vantrel::test_names::ByName{});

// The longest texts a double has: they must come out whole, so that they
// read back as the same number.
class ExtremeNumberTest : public ::testing::TestWithParam<double> {};
TEST_P(ExtremeNumberTest, ReadsBackAsTheSameNumber)
{
    const double value = GetParam();
    const auto readBack = [](const std::string& text) {
        double back = 0;
        const auto res = std::from_chars(text.data(), text.data() + text.size(), back);
        return res.ec == std::errc() && res.ptr == text.data() + text.size() ? back : std::nan("");
    };
    EXPECT_EQ(readBack(plainNumber(value)), value) << plainNumber(value);
    // Twenty places hold every digit of a number of one or more.
    const std::string fixed = fixedNumber(value, 20);
    EXPECT_EQ(fixed.substr(fixed.find('.')).size(), 21u) << fixed;
    if (std::fabs(value) >= 1)
        EXPECT_EQ(readBack(fixed), value) << fixed;
}
INSTANTIATE_TEST_SUITE_P(Values, ExtremeNumberTest,
                         ::testing::Values(std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                                           std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::min(),
                                           1.2345678901234567e-300, 9.87654321e300),
                         vantrel::test_names::ByNumber{});

class NonFiniteTest : public ::testing::TestWithParam<double> {};
TEST_P(NonFiniteTest, IsRefusedWhereARecordWouldCarryIt)
{
    const double value = GetParam();
    for (const auto& form : std::vector<std::function<std::string()>>{
             [&] { return plainNumber(value); }, [&] { return fixedNumber(value, 3); },
             [&] { return rec::signedNumber(value); }, [&] { return rec::zeroFilled(value, 6); }}) {
        try {
            const std::string text = form();
            ADD_FAILURE() << "written as \"" << text << "\"";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), static_cast<int>(ErrorCode::Overflow));
        }
    }
    EXPECT_FALSE(toText(Value::real(value)).empty()) << "a returned value is still shown";
}
INSTANTIATE_TEST_SUITE_P(Values, NonFiniteTest,
                         ::testing::Values(HUGE_VAL, -HUGE_VAL, std::numeric_limits<double>::quiet_NaN()),
                         vantrel::test_names::ByNumber{});
