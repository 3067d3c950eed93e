#include "awkward_records.h"

#include "inspector/hex_dump.h"
#include "inspector/record_table.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vantrel::inspector {
namespace {

using namespace std::string_literals;

struct ViewCase {
    const char* name; // also the data files' name: <name>.hex, <name>.table
    std::string record;
};
void PrintTo(const ViewCase& c, std::ostream* os) { *os << c.name; }


// A table as the data files write it: a "findings:" line, then one line per
// row, key, value, line end and oddities between tabs; "N*" before a row
// stands for N equal rows.
std::vector<std::string> tableLines(const RecordTable& table)
{
    std::string findings = "findings:";
    for (std::size_t i = 0; i < table.findings.size(); ++i)
        findings += (i ? "; " : " ") + table.findings[i];
    std::vector<std::string> lines{findings};
    for (const RecordRow& row : table.rows) {
        std::string odd;
        for (const std::string& oddity : row.oddities)
            odd += (odd.empty() ? "" : ", ") + oddity;
        lines.push_back(test::escapeBytes(row.key) + "\t" + test::escapeBytes(row.value) + "\t" + row.lineEnd + "\t" + odd);
    }
    return lines;
}

std::vector<std::string> expandRepeats(const std::vector<std::string>& lines)
{
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const auto star = line.find('*');
        if (star != std::string::npos && star > 0 && line.find_first_not_of("0123456789") == star)
            out.insert(out.end(), std::stoul(line.substr(0, star)), line.substr(star + 1));
        else
            out.push_back(line);
    }
    return out;
}

class RecordViewTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(RecordViewTest, TableIsExact)
{
    EXPECT_EQ(tableLines(readRecordTable(GetParam().record)),
              expandRepeats(test::readDataLines(std::string(GetParam().name) + ".table")));
}

INSTANTIATE_TEST_SUITE_P(
    Records, RecordViewTest,
    ::testing::Values(ViewCase{"every_byte", test::everyByte()}, ViewCase{"sixty_four_kib", test::sixtyFourKib()},
                      ViewCase{"empty", ""}, ViewCase{"authorize", "FuelingPosition=07\r\nHose=1\r\nMOP=2\r\nLimit=000020\r\n\0"s},
                      ViewCase{"lf_only", "ReaderPosition=07\nBeeperControl=1\n\0"s},
                      ViewCase{"keypad", "ReaderPosition=07\r\nKeyData=0\n\0"s},
                      ViewCase{"after_nul", "ReaderPosition=07\r\n\0PacketData=AB\r\n\0"s},
                      ViewCase{"blanks", "ReaderPosition = 07\r\nPacketCount = 003\r\n=x\r\n\0"s},
                      ViewCase{"display_lines", "ReaderPosition=07\r\nDisplayData=Hello\r\nline two\r\n\r\n\0"s},
                      ViewCase{"bare_position", "07"}, ViewCase{"lone_cr", "Hide\r\0"s}),
    [](const auto& info) { return std::string(info.param.name); });

class HexViewTest : public ::testing::TestWithParam<ViewCase> {};

TEST_P(HexViewTest, DumpIsExact)
{
    const std::vector<std::string> expected = test::readDataLines(std::string(GetParam().name) + ".hex");
    EXPECT_EQ(hexDump(GetParam().record), expected);
    std::string joined;
    for (const std::string& line : expected)
        joined += line + "\n";
    EXPECT_EQ(hexDumpText(GetParam().record), joined);
}

INSTANTIATE_TEST_SUITE_P(Records, HexViewTest,
                         ::testing::Values(ViewCase{"every_byte", test::everyByte()}, ViewCase{"empty", ""},
                                           ViewCase{"authorize", "FuelingPosition=07\r\nHose=1\r\nMOP=2\r\nLimit=000020\r\n\0"s},
                                           ViewCase{"lf_only", "ReaderPosition=07\nBeeperControl=1\n\0"s},
                                           ViewCase{"after_nul", "ReaderPosition=07\r\n\0PacketData=AB\r\n\0"s}),
                         [](const auto& info) { return std::string(info.param.name); });

// 64 KiB of bytes 0..255 over and over: every line is the line of the same
// bytes in the dump of one round, at its own offset.
TEST(HexView, SixtyFourKibRepeatsTheRoundAtEachOffset)
{
    const std::vector<std::string> round = test::readDataLines("every_byte.hex");
    ASSERT_EQ(round.size(), 16u);
    const std::vector<std::string> lines = hexDump(test::sixtyFourKib());
    ASSERT_EQ(lines.size(), 4096u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        char offset[16];
        std::snprintf(offset, sizeof offset, "%08zX", i * 16);
        ASSERT_EQ(lines[i], offset + round[i % 16].substr(8)) << i;
    }
}

} // namespace
} // namespace vantrel::inspector
