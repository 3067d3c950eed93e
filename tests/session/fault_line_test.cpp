// A script's fault lines: read before anything runs, the fault kept as
// written for the site, and a line that does not read refused with its
// line number and the reason the site would give.
#include "session/script.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

using namespace vantrel;
using vantrel::test_names::ByName;

namespace {

TEST(FaultLine, IsReadWithTheFaultAsWritten)
{
    const auto commands = parseScript("press Authorize\nfault position 7 stop-at 5.50\nfault clear\n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[1].kind, ScriptCommand::Kind::Fault);
    EXPECT_EQ(commands[1].line, 2);
    EXPECT_EQ(commands[1].text, "position 7 stop-at 5.50");
    EXPECT_EQ(commands[2].kind, ScriptCommand::Kind::Fault);
    EXPECT_EQ(commands[2].text, "clear");
}

struct BadLine {
    const char* name;
    const char* line;
    const char* reason;
};

class FaultLineRefused : public ::testing::TestWithParam<BadLine> {};

TEST_P(FaultLineRefused, BeforeAnythingRunsWithLineAndReason)
{
    try {
        parseScript(std::string("press Authorize\n# a comment\n") + GetParam().line + "\npress Stop\n");
        FAIL() << "read: " << GetParam().line;
    } catch (const ScriptError& e) {
        EXPECT_EQ(e.line, 3);
        EXPECT_EQ(e.reason, GetParam().reason);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FaultLineRefused,
    ::testing::Values(BadLine{"NoFault", "fault",
                              "fault: a fault is set on position, reader, tank, wash or member, or cleared with clear; not \"\""},
                      BadLine{"PositionOutOfRange", "fault position 40 offline", "fault: a position 1 to 32 is needed, not \"40\""},
                      BadLine{"MemberWord", "fault member CardQue fails",
                              "fault: member takes error NUMBER [COUNT] or slow MS; not \"fails\""}),
    ByName());

} // namespace
