// The command line of vantrel-forecourt, parsed on its own: every option,
// and every way a command line is refused, with the message it gets.
#include "service/service_options.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vantrel::service;

namespace {

struct OptionsCase {
    const char* name;
    std::vector<std::string> args;
    // What the options come to, written as the fields that differ from the defaults.
    const char* parsed; // nullptr when the command line is refused
    const char* refused = "";
};

std::string describe(const ServiceOptions& o)
{
    static const char* const buses[] = {"default", "session", "system", "address"};
    std::string text = buses[static_cast<int>(o.bus)];
    if (!o.address.empty())
        text += " " + o.address;
    if (!o.siteFile.empty())
        text += " site " + o.siteFile;
    for (const auto& [set, name] : {std::pair{o.replace, "replace"}, {o.virtualClock, "virtual-clock"},
                                    {o.quiet, "quiet"}, {o.board, "board"}, {o.help, "help"}, {o.version, "version"}})
        if (set)
            text += std::string(" ") + name;
    return text;
}

class ServiceOptionsParsing : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(ServiceOptionsParsing, ParsesOrRefuses)
{
    const OptionsCase& c = GetParam();
    std::string reason;
    const auto result = parseServiceOptions(c.args, reason);
    if (c.parsed) {
        ASSERT_TRUE(result) << reason;
        EXPECT_EQ(describe(*result), c.parsed);
    } else {
        ASSERT_FALSE(result) << describe(*result);
        EXPECT_EQ(reason, c.refused);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Options, ServiceOptionsParsing,
    ::testing::Values(
        OptionsCase{"Nothing", {}, "default"},
        OptionsCase{"Session", {"--session"}, "session"},
        OptionsCase{"SessionTwice", {"--session", "--session"}, "session"},
        OptionsCase{"System", {"--system"}, "system"},
        OptionsCase{"AddressApart", {"--address", "unix:path=/run/site.sock"}, "address unix:path=/run/site.sock"},
        OptionsCase{"AddressJoined", {"--address=unix:path=/run/a"}, "address unix:path=/run/a"},
        OptionsCase{"LastAddressWins", {"--address", "unix:path=/a", "--address=tcp:host=b"}, "address tcp:host=b"},
        OptionsCase{"EveryFlag", {"--replace", "--virtual-clock", "-q", "--board", "-h", "--version"},
                    "default replace virtual-clock quiet board help version"},
        OptionsCase{"LongQuietAndHelp", {"--quiet", "--help"}, "default quiet help"},
        OptionsCase{"Unknown", {"--bogus"}, nullptr, "unknown option '--bogus'"},
        OptionsCase{"UnknownWithValue", {"--bogus=3"}, nullptr, "unknown option '--bogus=3'"},
        OptionsCase{"FirstUnknownNamed", {"--session", "-x", "--bogus"}, nullptr, "unknown option '-x'"},
        OptionsCase{"SingleDashWord", {"-quiet"}, nullptr, "unknown option '-quiet'"},
        OptionsCase{"LettersTogether", {"-qh"}, nullptr, "unknown option '-qh'"},
        OptionsCase{"FlagWithValue", {"--replace=yes"}, nullptr, "unknown option '--replace=yes'"},
        OptionsCase{"BareWord", {"site"}, nullptr, "unknown option 'site'"},
        OptionsCase{"EmptyWord", {""}, nullptr, "unknown option ''"},
        OptionsCase{"DoubleDashAlone", {"--", "--session"}, nullptr, "unknown option '--'"},
        OptionsCase{"AddressWithoutValue", {"--address"}, nullptr, "--address needs a D-Bus address"},
        OptionsCase{"AddressTakesNextWord", {"--address", "--bogus"}, nullptr,
                    "'--bogus' is not a D-Bus address (such as unix:path=/run/site.sock)"},
        OptionsCase{"NotAnAddress", {"--address=site"}, nullptr,
                    "'site' is not a D-Bus address (such as unix:path=/run/site.sock)"},
        OptionsCase{"TwoBuses", {"--system", "--session"}, nullptr, "choose one bus: --session, --system or --address"},
        OptionsCase{"BusThenAddress", {"--session", "--address", "unix:path=/a"}, nullptr,
                    "choose one bus: --session, --system or --address"},
        // In the order written: the second bus is refused before a later address is looked at.
        OptionsCase{"ConflictBeforeBadAddress", {"--session", "--system", "--address=site"}, nullptr,
                    "choose one bus: --session, --system or --address"},
        OptionsCase{"Site", {"--site", "station.json", "--session"}, "session site station.json"},
        OptionsCase{"SiteFileLikeAnOption", {"--site", "--board"}, "default site --board"},
        OptionsCase{"SiteWithoutFile", {"--session", "--site"}, nullptr, "--site needs a site file"},
        OptionsCase{"SiteEmpty", {"--site="}, nullptr, "--site needs a site file"},
        OptionsCase{"BadAddressBeforeConflict", {"--session", "--address=site", "--system"}, nullptr,
                    "'site' is not a D-Bus address (such as unix:path=/run/site.sock)"}),
    vantrel::test_names::ByName{});

TEST(ServiceUsage, ListsEveryOptionAndExitStatus)
{
    const std::string usage = usageText();
    for (const char* option : {"--session", "--system", "--address ADDR", "--replace", "--virtual-clock", "--board", "--site FILE",
                               "-q, --quiet", "--help", "--version", "  3  the bus dropped"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

} // namespace
