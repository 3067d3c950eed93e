#include "forecourt/text_helpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace vantrel::forecourt;

namespace {

struct DigitsCase {
    const char* name;
    std::string text;
    bool digits;
};

class AllDigits : public ::testing::TestWithParam<DigitsCase> {};

TEST_P(AllDigits, OnlyAsciiDigits) { EXPECT_EQ(allDigits(GetParam().text), GetParam().digits); }

INSTANTIATE_TEST_SUITE_P(Texts, AllDigits,
                         ::testing::Values(DigitsCase{"empty", "", false}, DigitsCase{"one", "7", true},
                                           DigitsCase{"leading_zeros", "000120", true},
                                           DigitsCase{"blank_inside", "12 3", false},
                                           DigitsCase{"blank_after", "12 ", false},
                                           DigitsCase{"sign", "-1", false}, DigitsCase{"point", "1.5", false},
                                           DigitsCase{"letter", "12a", false},
                                           DigitsCase{"nul", std::string("1\0" "2", 3), false},
                                           DigitsCase{"high_byte", "1\xb2", false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LineEndCase {
    const char* name;
    std::string text;
    std::string withoutAll;   // withoutLineEnds
    std::string withoutFinal; // withoutFinalLineEnd
};

class LineEnds : public ::testing::TestWithParam<LineEndCase> {};

TEST_P(LineEnds, Stripped)
{
    EXPECT_EQ(std::string(withoutLineEnds(GetParam().text)), GetParam().withoutAll);
    EXPECT_EQ(std::string(withoutFinalLineEnd(GetParam().text)), GetParam().withoutFinal);
}

INSTANTIATE_TEST_SUITE_P(Texts, LineEnds,
                         ::testing::Values(LineEndCase{"empty", "", "", ""}, LineEndCase{"none", "ab", "ab", "ab"},
                                           LineEndCase{"crlf", "ab\r\n", "ab", "ab"},
                                           LineEndCase{"lf", "ab\n", "ab", "ab"},
                                           LineEndCase{"lone_cr", "ab\r", "ab", "ab\r"},
                                           LineEndCase{"two_crlf", "ab\r\n\r\n", "ab", "ab\r\n"},
                                           LineEndCase{"crlf_lf", "ab\r\n\n", "ab", "ab\r\n"},
                                           LineEndCase{"inner_kept", "a\r\nb\r\n", "a\r\nb", "a\r\nb"},
                                           LineEndCase{"only_ends", "\r\n\n\r", "", "\r\n\n\r"},
                                           LineEndCase{"blank_after", "ab\r\n ", "ab\r\n ", "ab\r\n "}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AddLine, JoinsWithCrLfAndNoneAtTheEnd)
{
    std::string text;
    addLine(text, "Card", "2");
    EXPECT_EQ(text, "Card=2");
    addLine(text, "Key", "");
    addLine(text, "Data", std::string("a=b\0", 4));
    EXPECT_EQ(text, std::string("Card=2\r\nKey=\r\nData=a=b\0", 23));
}

} // namespace
