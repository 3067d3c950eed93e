// The command line read with Qt's parser: every option of the utility,
// the options every Qt program takes, and the lines that cannot be used.
#include "app/command_line.h"

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

struct LineCase {
    const char* name;
    std::vector<std::string> args;
    std::string reason; // empty: the line is taken
    std::vector<std::string> scripts = {};
    std::string server = {};
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class CommandLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLines, AreTakenOrRefusedWithTheReason)
{
    const auto& c = GetParam();
    std::string reason;
    const auto line = parseCommandLine(c.args, reason);
    if (!c.reason.empty()) {
        EXPECT_FALSE(line.has_value());
        EXPECT_EQ(reason, c.reason);
        return;
    }
    ASSERT_TRUE(line.has_value()) << reason;
    EXPECT_EQ(line->scripts, c.scripts);
    EXPECT_EQ(line->server, c.server);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLines,
    ::testing::Values(
        LineCase{"QtStyleWithItsValue", {"-style", "fusion", "--server", "dbus"}, "", {}, "dbus"},
        LineCase{"QtOptionsAfterScripts", {"--script", "a.vts", "b.vts", "-reverse", "-platform", "offscreen"}, "",
                 {"a.vts", "b.vts"}},
        LineCase{"QtOptionWithEquals", {"-stylesheet=x.qss", "-display", ":0"}, ""},
        LineCase{"ServerWithEquals", {"--server=dbus:A.B@system"}, "", {}, "dbus:A.B@system"},
        LineCase{"LastServerCounts", {"--server", "dbus", "--server", "Vantrel.Application"}, "", {}, "Vantrel.Application"},
        LineCase{"ValueThatLooksLikeAnOption", {"--script", "s.vts", "--trace", "-t.jsonl"}, "", {"s.vts"}},
        LineCase{"ShortHelp", {"-h"}, ""},
        LineCase{"UnknownLongOption", {"--bogus"}, "unknown option --bogus"},
        LineCase{"UnknownSingleDash", {"-bogus=1"}, "unknown option -bogus=1"},
        LineCase{"NameOutsideScript", {"--script", "a.vts", "--trace", "t", "b.vts"}, "unknown option b.vts"},
        LineCase{"ScriptWithoutName", {"--script"}, "--script needs a file or a folder"},
        LineCase{"EmptyServer", {"--server="}, "--server needs a value"},
        LineCase{"EmptySite", {"--site="}, "--site needs a value"},
        LineCase{"SiteWithTap", {"--tap", "dbus", "--site", "station.json"}, "--tap runs on its own: it takes no --site"},
        LineCase{"QtOptionWithoutValue", {"-style"}, "Missing value after '-style'."},
        LineCase{"TimeoutZero", {"--timeout", "0"}, "--timeout takes a whole number of milliseconds of at least 1, not \"0\""},
        LineCase{"JunitWithoutScript", {"--junit", "r.xml"}, "--junit reports on scripts: give --script too"}),
    [](const auto& info) { return std::string(info.param.name); });

// --help and the manual page list the same options (the package test compares
// them): Qt's are named in the help, not only taken.
TEST(CommandLineHelp, NamesQtsStandardOptionsAndEveryOwnOption)
{
    const std::string help = helpText();
    for (const char* option : {"--script", "--trace", "--trace-unmasked", "--server", "--site", "--timeout", "--junit",
                               "--save-session", "--screenshot", "--quit-when-idle", "--help", "--version", "-style STYLE",
                               "-platform NAME", "-reverse"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

} // namespace
