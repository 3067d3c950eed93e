// The three views of a composed value: every byte and every pair of bytes
// comes back through each; problems are found where they stand.
#include "compose/value_views.h"
#include "support/case_names.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vantrel::compose;
using namespace std::string_literals;

namespace {

struct ViewCase {
    const char* name;
    std::function<std::string(const std::string&)> roundTrip;
};

std::string throughText(const std::string& bytes)
{
    const ReadBytes read = readText(textOf(bytes));
    EXPECT_TRUE(read.ok()) << read.problems.front().reason;
    return read.bytes;
}

std::string throughHex(const std::string& bytes)
{
    const ReadBytes read = readHex(hexOf(bytes));
    EXPECT_TRUE(read.ok()) << read.problems.front().reason;
    return read.bytes;
}

std::string throughLines(const std::string& bytes) { return bytesOf(linesOf(bytes)); }

class EveryByte : public ::testing::TestWithParam<ViewCase> {};

TEST_P(EveryByte, SingleBytesAndPairsComeBackUnchanged)
{
    const auto& roundTrip = GetParam().roundTrip;
    for (int a = 0; a < 256; ++a) {
        const std::string one(1, static_cast<char>(a));
        ASSERT_EQ(roundTrip(one), one) << "byte " << a;
        for (int b = 0; b < 256; ++b) {
            const std::string two = one + static_cast<char>(b);
            ASSERT_EQ(roundTrip(two), two) << "bytes " << a << " " << b;
        }
    }
}

TEST_P(EveryByte, AllBytesInOneValueAndInARecordComeBackUnchanged)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    const auto& roundTrip = GetParam().roundTrip;
    EXPECT_EQ(roundTrip(all), all);
    const std::string record = "FuelingPosition=07\r\nPacketData=" + all + "\r\nBare line\nKey=\r\n\0"s;
    EXPECT_EQ(roundTrip(record), record);
    EXPECT_EQ(roundTrip(""), "");
}

INSTANTIATE_TEST_SUITE_P(Views, EveryByte,
                         ::testing::Values(ViewCase{"Text", throughText}, ViewCase{"Hex", throughHex},
                                           ViewCase{"Lines", throughLines}),
                         vantrel::test_names::ByName{});

TEST(TextView, WritesEscapesAndBreaksTheLineAfterEachLf)
{
    EXPECT_EQ(textOf("A=1\r\nB\x1B\\\0\xE9"s), u"A=1\\r\\n\nB\\x1B\\\\\\0\\xE9");
    // Typed line breaks are layout; a typed Latin-1 character is its byte.
    EXPECT_EQ(readText(u"A=1\\r\\n\nB\u00E9\n").bytes, "A=1\r\nB\xE9");
}

struct ProblemCase {
    const char* name;
    std::u16string text;
    std::string bytes; // what reads before, between and after the problems
    std::vector<std::pair<std::size_t, std::size_t>> marked; // at, length
    const char* reason; // of the first
};

// The problems of a read stand where the case marks them; the bytes around them still read.
void expectMarked(const ReadBytes& read, const ProblemCase& c)
{
    ASSERT_EQ(read.problems.size(), c.marked.size());
    for (std::size_t i = 0; i < c.marked.size(); ++i) {
        EXPECT_EQ(read.problems[i].at, c.marked[i].first) << i;
        EXPECT_EQ(read.problems[i].length, c.marked[i].second) << i;
    }
    EXPECT_EQ(read.problems.front().reason, c.reason);
    EXPECT_EQ(read.bytes, c.bytes);
}

class TextProblems : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(TextProblems, AreMarkedWhereTheyStand) { expectMarked(readText(GetParam().text), GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TextProblems,
    ::testing::Values(
        ProblemCase{"UnknownEscape", u"ab\\q", "ab", {{2, 2}}, "unknown escape \\q"},
        ProblemCase{"ShortHexEscape", u"ab\\x4", "ab", {{2, 3}}, "\\x needs two hexadecimal digits"},
        ProblemCase{"HexEscapeWithoutDigits", u"\\xZZ1", "ZZ1", {{0, 2}}, "\\x needs two hexadecimal digits"},
        ProblemCase{"LoneBackslash", u"A=1\\", "A=1", {{3, 1}}, "a lone \\ ends the text (write \\\\ for a backslash)"},
        ProblemCase{"EuroSign", u"A\u20ACB", "AB", {{1, 1}},
                    "the character U+20AC cannot be sent: only characters with codes 0 to 255 can (write \\xHH for a byte)"},
        ProblemCase{"CharacterOutsideThePlane", u"\U0001F600!", "!", {{0, 2}},
                    "the character U+1F600 cannot be sent: only characters with codes 0 to 255 can (write \\xHH for a "
                    "byte)"},
        // After a layout break the positions still count the editor's characters.
        ProblemCase{"EveryProblemAfterABreak", u"\\n\n\\q\u20AC\\x", "\n", {{3, 2}, {5, 1}, {6, 2}},
                    "unknown escape \\q"}),
    vantrel::test_names::ByName{});

class HexProblems : public ::testing::TestWithParam<ProblemCase> {};

TEST_P(HexProblems, AreMarkedWhereTheyStand) { expectMarked(readHex(GetParam().text), GetParam()); }

INSTANTIATE_TEST_SUITE_P(
    Cases, HexProblems,
    ::testing::Values(ProblemCase{"LetterBeyondF", u"41 G 42", "AB", {{3, 1}}, "\"G\" is no hexadecimal digit (0 to 9, A to F)"},
                      ProblemCase{"LoneDigit", u"41 42 4", "AB", {{6, 1}},
                                  "a byte takes two hexadecimal digits: this one stands alone"},
                      ProblemCase{"NonAscii", u"\u00E90D", "\r", {{0, 1}}, "U+00E9 is no hexadecimal digit (0 to 9, A to F)"},
                      ProblemCase{"PrefixBesideALoneDigit", u"0x41", "\x04", {{1, 1}},
                                  "\"x\" is no hexadecimal digit (0 to 9, A to F)"}),
    vantrel::test_names::ByName{});

TEST(HexView, IgnoresBlanksAndLineBreaksAndTakesEitherCase)
{
    const ReadBytes read = readHex(u" 4 1\t42\n0d0A\u2029ff ");
    EXPECT_TRUE(read.ok());
    EXPECT_EQ(read.bytes, "AB\r\n\xFF");
    EXPECT_EQ(hexOf("0123456789ABCDEFG"), u"30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46\n47");
}

struct LinesCase {
    const char* name;
    std::string bytes;
    Lines lines;
};

class LineCases : public ::testing::TestWithParam<LinesCase> {};

TEST_P(LineCases, ReadIntoLinesAndBack)
{
    EXPECT_EQ(linesOf(GetParam().bytes), GetParam().lines);
    EXPECT_EQ(bytesOf(GetParam().lines), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineCases,
    ::testing::Values(
        LinesCase{"CommandRecord", "FuelingPosition=07\r\nHose=1\r\n\0"s,
                  {{{"FuelingPosition", true, "07", LineEnd::CrLf}, {"Hose", true, "1", LineEnd::CrLf}}, true}},
        LinesCase{"LfLinesLastWithoutEnd", "A=1\nmessage\nB=", {{{"A", true, "1", LineEnd::Lf},
                                                               {"", false, "message", LineEnd::Lf},
                                                               {"B", true, "", LineEnd::None}},
                                                              false}},
        LinesCase{"BarePosition", "07", {{{"", false, "07", LineEnd::None}}, false}},
        LinesCase{"EmptyLineAndEmptyKey", "\r\n=x\r\n", {{{"", false, "", LineEnd::CrLf}, {"", true, "x", LineEnd::CrLf}}, false}},
        LinesCase{"NulInsideAValue", "A=1\0B\r\n\0"s, {{{"A", true, "1\0B"s, LineEnd::CrLf}}, true}},
        LinesCase{"NulBeforeTheEqualsSign", "\0K=v\n"s, {{{"\0K"s, true, "v", LineEnd::Lf}}, false}},
        LinesCase{"NulAfterALineEnd", "A\n\0\0"s, {{{"", false, "A", LineEnd::Lf}, {"", false, "\0"s, LineEnd::None}}, true}},
        LinesCase{"OnlyTheNul", "\0"s, {{}, true}}, LinesCase{"Nothing", "", {{}, false}},
        LinesCase{"LoneCrStaysInTheValue", "A=1\r2\r", {{{"A", true, "1\r2\r", LineEnd::None}}, false}}),
    vantrel::test_names::ByName{});

TEST(LinesView, AKeyWithoutEqualsSignRunsIntoItsValue)
{
    EXPECT_EQ(bytesOf({{{"Key", false, "Value", LineEnd::Lf}, {"", true, "", LineEnd::None}}, true}), "KeyValue\n=\0"s);
    EXPECT_STREQ(lineEndName(LineEnd::CrLf), "CR LF");
    EXPECT_STREQ(lineEndName(LineEnd::None), "none");
}

TEST(BytePicker, EveryLabelNamesItsByte)
{
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(byteNamed(byteLabel(static_cast<unsigned char>(b))), static_cast<unsigned char>(b)) << byteLabel(b);
    EXPECT_EQ(byteLabel(0x1B), "27  0x1B  ESC");
    EXPECT_EQ(byteLabel('A'), "65  0x41  A");
    EXPECT_EQ(byteLabel(0xA0), "160  0xA0");
}

struct NameCase {
    const char* name;
    std::string text;
    std::optional<unsigned char> byte;
};

class ByteNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(ByteNames, NameOneByteOrNone) { EXPECT_EQ(byteNamed(GetParam().text), GetParam().byte); }

INSTANTIATE_TEST_SUITE_P(Cases, ByteNames,
                         ::testing::Values(NameCase{"Decimal", "27", 0x1B}, NameCase{"HexPrefix", "0x1b", 0x1B},
                                           NameCase{"MarkName", " esc ", 0x1B}, NameCase{"Nul", "NUL", 0},
                                           NameCase{"Delete", "del", 0x7F}, NameCase{"Letter", "A", 'A'},
                                           NameCase{"Digit", "7", 7}, NameCase{"Largest", "255", 0xFF},
                                           NameCase{"TooLarge", "256", std::nullopt},
                                           NameCase{"HexTooLarge", "0x100", std::nullopt},
                                           NameCase{"Blank", " ", ' '}, NameCase{"Word", "Escape", std::nullopt},
                                           NameCase{"Empty", "", std::nullopt}),
                         vantrel::test_names::ByName{});

} // namespace
