#include "server/records.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;

struct FillCase {
    double value;
    int digits;
    std::string text;
};
class ZeroFilledTest : public ::testing::TestWithParam<FillCase> {};
TEST_P(ZeroFilledTest, WritesPattern) { EXPECT_EQ(rec::zeroFilled(GetParam().value, GetParam().digits), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(Values, ZeroFilledTest,
                         ::testing::Values(FillCase{3, 3, "003"}, FillCase{1500, 6, "001500"},
                                           FillCase{1234567, 6, "1234567"}, FillCase{12.6, 6, "000013"},
                                           FillCase{12.5, 6, "000013"}, FillCase{12.4, 6, "000012"},
                                           FillCase{2.5, 1, "3"}, FillCase{0, 1, "0"}, FillCase{-5, 3, "-005"},
                                           FillCase{149, 5, "00149"}, FillCase{1234, 3, "1234"}));

struct NumberCase {
    std::string text;
    double value;
};
class PromptNumberTest : public ::testing::TestWithParam<NumberCase> {};
TEST_P(PromptNumberTest, ReadsLeadingNumber) { EXPECT_EQ(rec::readPromptNumber(GetParam().text), GetParam().value); }
INSTANTIATE_TEST_SUITE_P(Values, PromptNumberTest,
                         ::testing::Values(NumberCase{"15", 15}, NumberCase{"  15", 15}, NumberCase{"1 5", 15},
                                           NumberCase{"\t1\n2", 12}, NumberCase{"-2.5", -2.5}, NumberCase{"- 2", -2},
                                           NumberCase{"+3", 3}, NumberCase{".5", 0.5}, NumberCase{"1.2.3", 1.2},
                                           NumberCase{"12abc", 12}, NumberCase{"abc", 0}, NumberCase{"", 0},
                                           NumberCase{"-", 0}, NumberCase{".", 0}, NumberCase{"1e3", 1},
                                           NumberCase{"3-", 3}, NumberCase{"\r5", 0}, NumberCase{"5.", 5},
                                           NumberCase{std::string(400, '9'), HUGE_VAL},
                                           NumberCase{"-" + std::string(400, '9'), -HUGE_VAL},
                                           NumberCase{"0." + std::string(400, '0') + "1", 0}));

struct SignedCase {
    double value;
    std::string text;
};
class SignedNumberTest : public ::testing::TestWithParam<SignedCase> {};
TEST_P(SignedNumberTest, WritesSignedForm) { EXPECT_EQ(rec::signedNumber(GetParam().value), GetParam().text); }
INSTANTIATE_TEST_SUITE_P(Values, SignedNumberTest,
                         ::testing::Values(SignedCase{15, " 15"}, SignedCase{0.5, " .5"}, SignedCase{-2.5, "-2.5"},
                                           SignedCase{-0.5, "-.5"}, SignedCase{0, " 0"}, SignedCase{1, " 1"},
                                           SignedCase{100, " 100"}, SignedCase{2.099, " 2.099"}));

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
                         ::testing::Values(CountCase{"017", 17}, CountCase{" 17", 17}, CountCase{"1 7", 1},
                                           CountCase{"1E2", 100}, CountCase{"1d2", 100}, CountCase{"1E", 1},
                                           CountCase{"1E+", 1}, CountCase{"2E-1", 0.2}, CountCase{"- 1", 0},
                                           CountCase{"-01", -1}, CountCase{"abc", 0}, CountCase{"1.5", 1.5},
                                           CountCase{"1E999", HUGE_VAL}, CountCase{"1E-999", 0},
                                           CountCase{"0.01E999", HUGE_VAL}));
