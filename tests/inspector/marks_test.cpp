#include "awkward_records.h"

#include "inspector/control_marks.h"
#include "inspector/copy_forms.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <set>

namespace vantrel::inspector {
namespace {

using namespace std::string_literals;

struct MarkCase {
    unsigned char byte;
    const char* name;
    MarkRole role;
};

class MarkTest : public ::testing::TestWithParam<MarkCase> {};

TEST_P(MarkTest, NameAndRole)
{
    EXPECT_EQ(markName(GetParam().byte), GetParam().name);
    EXPECT_EQ(markRole(GetParam().byte), GetParam().role);
}

INSTANTIATE_TEST_SUITE_P(Controls, MarkTest,
                         ::testing::Values(MarkCase{0x00, "NUL", MarkRole::Nul}, MarkCase{0x0D, "CR", MarkRole::LineEnd},
                                           MarkCase{0x0A, "LF", MarkRole::LineEnd}, MarkCase{0x1B, "ESC", MarkRole::Escape},
                                           MarkCase{0x1A, "SUB", MarkRole::Control}, MarkCase{0x09, "HT", MarkRole::Control},
                                           MarkCase{0x10, "DLE", MarkRole::Control}, MarkCase{0x07, "BEL", MarkRole::Control},
                                           MarkCase{0x1F, "US", MarkRole::Control}, MarkCase{0x7F, "DEL", MarkRole::Control}),
                         vantrel::test_names::ByName{});

TEST(Marks, EveryControlByteHasItsOwnShortName)
{
    std::set<std::string_view> names;
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        const std::string_view name = markName(byte);
        EXPECT_EQ(!name.empty(), isControlByte(byte)) << c;
        if (isControlByte(byte)) {
            EXPECT_LE(name.size(), 3u) << c;
            names.insert(name);
        }
    }
    EXPECT_EQ(names.size(), 33u);
}

TEST(Marks, SegmentsKeepEveryByte)
{
    const std::string bytes = test::everyByte() + "AB\r\n";
    std::string rebuilt;
    int breaks = 0;
    for (const Segment& s : splitMarked(bytes)) {
        if (s.kind == Segment::Kind::Text) {
            for (const char c : s.text)
                EXPECT_FALSE(isControlByte(static_cast<unsigned char>(c)));
            rebuilt += s.text;
        } else {
            EXPECT_EQ(s.text, markName(s.byte));
            EXPECT_EQ(s.role, markRole(s.byte));
            breaks += s.breakAfter;
            EXPECT_EQ(s.breakAfter, s.byte == '\n');
            rebuilt += static_cast<char>(s.byte);
        }
    }
    EXPECT_EQ(rebuilt, bytes);
    EXPECT_EQ(breaks, 2);
    EXPECT_TRUE(splitMarked("").empty());
}

struct CopyCase {
    const char* name;
    std::string bytes;
    std::string text;
    std::string hex;
    std::string cString;
};
void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }


class CopyFormTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyFormTest, WritesEachForm)
{
    const CopyCase& c = GetParam();
    EXPECT_EQ(copyAsText(c.bytes), c.text);
    EXPECT_EQ(copyAsHex(c.bytes), c.hex);
    EXPECT_EQ(copyAsCString(c.bytes), c.cString);
    EXPECT_EQ(test::decodeCString(c.cString), c.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Records, CopyFormTest,
    ::testing::Values(
        CopyCase{"Terminated", "AB\r\n\0"s, "AB<CR><LF>\n<NUL>", "41 42 0D 0A 00", R"("AB\r\n\0")"},
        CopyCase{"TwoLines", "A=1\r\nB=2\r\n\0"s, "A=1<CR><LF>\nB=2<CR><LF>\n<NUL>", "41 3D 31 0D 0A 42 3D 32 0D 0A 00",
                 "\"A=1\\r\\n\"\n\"B=2\\r\\n\\0\""},
        CopyCase{"HexRunOn", "\x1b" "1b\x1bz"s, "<ESC>1b<ESC>z", "1B 31 62 1B 7A", R"("\x1B" "1b\x1Bz")"},
        CopyCase{"OctalRunOn", "\0" "7\0" "8"s, "<NUL>7<NUL>8", "00 37 00 38", R"("\0" "7\08")"},
        CopyCase{"Trigraph", "?\?=", "?\?=", "3F 3F 3D", R"("?" "?=")"},
        CopyCase{"QuotesAndHigh", "\"\\\xe9\x80\x7f\t"s, "\"\\\xe9\x80<DEL><HT>", "22 5C E9 80 7F 09",
                 R"("\"\\\xE9\x80\x7F\t")"},
        CopyCase{"Empty", "", "", "", R"("")"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CopyForms, CStringRoundTripsAwkwardRecords)
{
    for (const std::string& bytes : {test::everyByte(), test::sixtyFourKib(), "\n\n\0\0"s, "\x1b\x1b" "FF"s})
        EXPECT_EQ(test::decodeCString(copyAsCString(bytes)), bytes);
}

} // namespace
} // namespace vantrel::inspector
