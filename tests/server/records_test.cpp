#include "server/records.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;

struct FillCase {
    const char* name;
    double value;
    int digits;
    std::string text;
};
class ZeroFilledTest : public ::testing::TestWithParam<FillCase> {};
TEST_P(ZeroFilledTest, WritesPattern) { EXPECT_EQ(rec::zeroFilled(GetParam().value, GetParam().digits), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(Values, ZeroFilledTest,
                         ::testing::Values(FillCase{"Three", 3, 3, "003"}, FillCase{"FifteenHundred", 1500, 6, "001500"},
                                           FillCase{"WiderThanItsDigits", 1234567, 6, "1234567"}, FillCase{"RoundsUp", 12.6, 6, "000013"},
                                           FillCase{"HalfRoundsUp", 12.5, 6, "000013"}, FillCase{"RoundsDown", 12.4, 6, "000012"},
                                           FillCase{"HalfToOneDigit", 2.5, 1, "3"}, FillCase{"Zero", 0, 1, "0"}, FillCase{"Negative", -5, 3, "-005"},
                                           FillCase{"FiveDigits", 149, 5, "00149"}, FillCase{"WiderThanThreeDigits", 1234, 3, "1234"}),
                         vantrel::test_names::ByName{});

struct NumberCase {
    const char* name;
    std::string text;
    double value;
};
class PromptNumberTest : public ::testing::TestWithParam<NumberCase> {};
TEST_P(PromptNumberTest, ReadsLeadingNumber) { EXPECT_EQ(rec::readPromptNumber(GetParam().text), GetParam().value); }
INSTANTIATE_TEST_SUITE_P(Values, PromptNumberTest,
                         ::testing::Values(NumberCase{"Plain", "15", 15}, NumberCase{"LeadingBlanks", "  15", 15}, NumberCase{"BlankInside", "1 5", 15},
                                           NumberCase{"TabAndLfInside", "\t1\n2", 12}, NumberCase{"NegativeReal", "-2.5", -2.5}, NumberCase{"MinusThenBlank", "- 2", -2},
                                           NumberCase{"Plus", "+3", 3}, NumberCase{"LeadingPoint", ".5", 0.5}, NumberCase{"TwoPoints", "1.2.3", 1.2},
                                           NumberCase{"LettersAfter", "12abc", 12}, NumberCase{"LettersOnly", "abc", 0}, NumberCase{"Empty", "", 0},
                                           NumberCase{"MinusOnly", "-", 0}, NumberCase{"PointOnly", ".", 0}, NumberCase{"NoExponent", "1e3", 1},
                                           NumberCase{"MinusAfter", "3-", 3}, NumberCase{"CrFirst", "\r5", 0}, NumberCase{"TrailingPoint", "5.", 5},
                                           NumberCase{"FourHundredNines", std::string(400, '9'), HUGE_VAL},
                                           NumberCase{"MinusFourHundredNines", "-" + std::string(400, '9'), -HUGE_VAL},
                                           NumberCase{"FourHundredZerosThenOne", "0." + std::string(400, '0') + "1", 0}),
                         vantrel::test_names::ByName{});

struct SignedCase {
    const char* name;
    double value;
    std::string text;
};
class SignedNumberTest : public ::testing::TestWithParam<SignedCase> {};
TEST_P(SignedNumberTest, WritesSignedForm) { EXPECT_EQ(rec::signedNumber(GetParam().value), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(Values, SignedNumberTest,
                         ::testing::Values(SignedCase{"Whole", 15, " 15"}, SignedCase{"HalfWithoutZero", 0.5, " .5"}, SignedCase{"NegativeReal", -2.5, "-2.5"},
                                           SignedCase{"NegativeHalfWithoutZero", -0.5, "-.5"}, SignedCase{"Zero", 0, " 0"}, SignedCase{"One", 1, " 1"},
                                           SignedCase{"Hundred", 100, " 100"}, SignedCase{"ThreePlaces", 2.099, " 2.099"}),
                         vantrel::test_names::ByName{});

TEST(Records, LineBlocks)
{
    std::string r;
    rec::appendLine(r, "A=", "1");
    rec::appendLfLine(r, "B=2");
    rec::appendLine(r, "");
    rec::appendNul(r);
    EXPECT_EQ(r, std::string("A=1\r\nB=2\n\r\n\0", 12));
}

TEST(Records, PacketRecordCountsDataOnly)
{
    const std::string data("C\x10\x07", 3);
    EXPECT_EQ(rec::packetRecord("05", data), std::string("ReaderPosition=05\r\nPacketCount=003\r\nPacketData=C\x10\x07\r\n\0", 53));
    const std::string big(1234, 'x');
    EXPECT_NE(rec::packetRecord("01", big).find("PacketCount=1234\r\n"), std::string::npos);
    EXPECT_NE(rec::packetRecord("01", "", 5).find("PacketCount=00000\r\n"), std::string::npos);
}

TEST(Records, PositionText)
{
    EXPECT_EQ(rec::positionText(1), "01");
    EXPECT_EQ(rec::positionText(9), "09");
    EXPECT_EQ(rec::positionText(32), "32");
}

struct CountCase {
    const char* name;
    std::string text;
    double value;
};
class CountFieldTest : public ::testing::TestWithParam<CountCase> {};
// Blanks only before the number, an exponent allowed: how a packet count is read.
TEST_P(CountFieldTest, ReadsLeadingNumberWithExponent)
{
    EXPECT_EQ(rec::readLeadingNumber(GetParam().text, {false, true}), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(Values, CountFieldTest,
                         ::testing::Values(CountCase{"LeadingZero", "017", 17}, CountCase{"LeadingBlank", " 17", 17}, CountCase{"BlankInside", "1 7", 1},
                                           CountCase{"UpperExponent", "1E2", 100}, CountCase{"FortranExponent", "1d2", 100}, CountCase{"ExponentWithoutDigits", "1E", 1},
                                           CountCase{"ExponentSignWithoutDigits", "1E+", 1}, CountCase{"NegativeExponent", "2E-1", 0.2}, CountCase{"MinusThenBlank", "- 1", 0},
                                           CountCase{"NegativeWithZero", "-01", -1}, CountCase{"LettersOnly", "abc", 0}, CountCase{"Real", "1.5", 1.5},
                                           CountCase{"ExponentOverflows", "1E999", HUGE_VAL}, CountCase{"ExponentUnderflows", "1E-999", 0},
                                           CountCase{"HundredthOverflows", "0.01E999", HUGE_VAL}),
                         vantrel::test_names::ByName{});
