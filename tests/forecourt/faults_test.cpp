// The faults of the simulated site: one text form read and written in one
// place, a refusal with its reason for each way a line can be wrong, and
// one row per fault: set it, make the call a technician makes, and see the
// numbered error or the read that shows it.
#include "fault_rows.h"

#include "forecourt/customer.h"
#include "forecourt/fault_command.h"
#include "forecourt/forecourt_server.h"

#include "server/automation_error.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::forecourt;
using vantrel::test_names::ByName;

namespace {

struct TextCase {
    const char* name;
    const char* given;
    const char* written; // as the site lists it
};

class FaultText : public ::testing::TestWithParam<TextCase> {};

TEST_P(FaultText, ReadsAndIsWrittenInItsOneForm)
{
    const FaultParse parsed = parseFaultCommand(GetParam().given);
    ASSERT_TRUE(parsed.command) << parsed.reason;
    EXPECT_EQ(faultCommandText(*parsed.command), GetParam().written);
    const FaultParse again = parseFaultCommand(GetParam().written);
    ASSERT_TRUE(again.command) << again.reason;
    EXPECT_EQ(*again.command, *parsed.command);
}

INSTANTIATE_TEST_SUITE_P(Lines, FaultText,
                         ::testing::Values(TextCase{"PositionOffline", "position 07 offline", "position 7 offline"},
                                           TextCase{"StopAt", "position 3  stop-at 005.5", "position 3 stop-at 5.50"},
                                           TextCase{"PumpError", "position 32 error 0042", "position 32 error 42"},
                                           TextCase{"ReaderJam", "reader 1 jam", "reader 1 jam"},
                                           TextCase{"TankWater", "tank 3 water", "tank 3 water"},
                                           TextCase{"Wash", "wash out-of-order", "wash out-of-order"},
                                           TextCase{"MemberErrorAll", "member CardQue error 1201", "member CardQue error 1201"},
                                           TextCase{"MemberErrorCount", "member CardQue error 1201 3", "member CardQue error 1201 3"},
                                           TextCase{"MemberSlow", "member KeyQue slow 60000", "member KeyQue slow 60000"},
                                           TextCase{"ClearAll", "clear", "clear"},
                                           TextCase{"ClearReader", "clear reader 09", "clear reader 9"},
                                           TextCase{"ClearMember", "clear member CardQue", "clear member CardQue"}),
                         ByName());

struct RefusalCase {
    const char* name;
    const char* given;
    const char* reason; // what the refusal says
};

class FaultRefused : public ::testing::TestWithParam<RefusalCase> {};

// Refused by the site with its reason, and nothing set.
TEST_P(FaultRefused, SaysWhyAndSetsNothing)
{
    ForecourtServer site(std::make_shared<ManualClock>());
    try {
        site.setFault(GetParam().given);
        FAIL() << "set: " << GetParam().given;
    } catch (const FaultError& e) {
        EXPECT_EQ(std::string(e.what()), GetParam().reason);
    }
    EXPECT_TRUE(site.faults().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FaultRefused,
    ::testing::Values(
        RefusalCase{"PositionOutOfRange", "position 33 offline", "a position 1 to 32 is needed, not \"33\""},
        RefusalCase{"PositionZero", "position 0 stall", "a position 1 to 32 is needed, not \"0\""},
        RefusalCase{"ReaderMissing", "reader offline", "a reader 1 to 32 is needed, not \"offline\""},
        RefusalCase{"TankOutOfRange", "tank 9 low", "a tank 1 to 8 is needed, not \"9\""},
        RefusalCase{"TankNotOnSite", "tank 4 water", "the site has no tank 4"},
        RefusalCase{"UnknownDevice", "pump 3 offline",
                    "a fault is set on position, reader, tank, wash or member, or cleared with clear; not \"pump\""},
        RefusalCase{"UnknownPositionFault", "position 3 burning",
                    "position takes offline, stall, stop-at AMOUNT or error NUMBER; not \"burning\""},
        RefusalCase{"ReaderFaultOnPosition", "position 3 jam",
                    "position takes offline, stall, stop-at AMOUNT or error NUMBER; not \"jam\""},
        RefusalCase{"UnknownWashFault", "wash flooded", "wash takes out-of-order; not \"flooded\""},
        RefusalCase{"BadAmount", "position 3 stop-at 5,00", "stop-at takes an amount above 0 such as 5 or 12.50, not \"5,00\""},
        RefusalCase{"ZeroAmount", "position 3 stop-at 0.00", "stop-at takes an amount above 0 such as 5 or 12.50, not \"0.00\""},
        RefusalCase{"BadErrorNumber", "position 3 error x", "error takes an error number 1 to 99999, not \"x\""},
        RefusalCase{"ErrorNumberTooLarge", "member CardQue error 100000",
                    "error takes an error number 1 to 99999, not \"100000\""},
        RefusalCase{"BadCount", "member CardQue error 1201 0", "the count is a number of calls 1 to 1000000, not \"0\""},
        RefusalCase{"SlowTooLong", "member CardQue slow 60001", "slow takes milliseconds 1 to 60000, not \"60001\""},
        RefusalCase{"UnknownMember", "member Nothing error 5", "the site has no member \"Nothing\""},
        RefusalCase{"BadMemberName", "member Card.Que slow 5", "a member name (letters, digits and _) is needed, not \"Card.Que\""},
        RefusalCase{"TooMuch", "position 3 offline now", "too much: \"now\" follows the fault"},
        RefusalCase{"ClearUnknownDevice", "clear pump 3",
                    "clear takes position P, reader P, tank T, wash or member MEMBER, or nothing; a fault is set on position, "
                    "reader, tank, wash or member, or cleared with clear; not \"pump\""},
        RefusalCase{"Empty", "", "a fault is set on position, reader, tank, wash or member, or cleared with clear; not \"\""}),
    ByName());

struct Site {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    ForecourtServer server{clock};
    test::FaultDoors doors{server, [this](const std::string& f) { return server.setFault(f); },
                           [this](const std::string& a) { return actAsCustomer(server, a); },
                           [this](long long ms) { clock->advance(Millis(ms)); }};
};

class FaultOnTheSite : public ::testing::TestWithParam<test::FaultRow> {};

TEST_P(FaultOnTheSite, ShowsWhereATechnicianLooks)
{
    Site site;
    test::runFaultRow(site.doors, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultOnTheSite, ::testing::ValuesIn(test::faultRows()), ByName());

TEST(SiteFaults, AreListedOneALineDeviceByDeviceAndClearedByDevice)
{
    Site site;
    for (const char* f : {"member CardQue slow 20", "tank 2 low", "position 3 offline", "position 3 stop-at 7.5",
                          "position 3 stop-at 8", "reader 3 jam", "wash out-of-order", "member cardque error 5 2"})
        site.server.setFault(f);
    EXPECT_EQ(site.server.siteState(1).faults,
              (std::vector<std::string>{"position 3 offline", "position 3 stop-at 8.00", "reader 3 jam", "tank 2 low",
                                        "wash out-of-order", "member CardQue error 5 2", "member CardQue slow 20"}));
    EXPECT_EQ(site.server.setFault("clear position 3"), "clear position 3: 2 faults cleared");
    EXPECT_EQ(site.server.setFault("clear member CARDQUE"), "clear member CardQue: 2 faults cleared");
    EXPECT_EQ(site.server.faults().lines(), (std::vector<std::string>{"reader 3 jam", "tank 2 low", "wash out-of-order"}));
    const auto before = site.server.changeCount();
    EXPECT_EQ(site.server.setFault("clear"), "clear: 3 faults cleared");
    EXPECT_EQ(site.server.changeCount(), before + 1); // told to the board like any change
    EXPECT_TRUE(site.server.faults().empty());
}

// A member's error fault with a count fails that many calls, then goes.
TEST(SiteFaults, ACountedErrorRunsOutAndGoes)
{
    Site site;
    site.server.setFault("member QueCountQuery error 1201 2");
    for (int call = 0; call < 2; ++call)
        EXPECT_THROW(site.server.get("QueCountQuery", std::nullopt), AutomationError);
    EXPECT_TRUE(site.server.faults().lines().empty());
    EXPECT_NO_THROW(site.server.get("QueCountQuery", std::nullopt));
}

// A sale stopped short by a stop-at fault stays stopped when the fault is
// cleared, and goes on to its limit once resumed, with no fuel counted for
// the time it stood.
TEST(SiteFaults, ASaleStoppedShortGoesOnWhenResumed)
{
    Site site;
    test::runStep(site.doors, "put Authorize FuelingPosition=07\r\nHose=1\r\nMOP=1\r\nLimit=001500\r\n");
    site.server.setFault("position 7 stop-at 5");
    site.clock->advance(Millis(60000));
    site.server.setFault("clear position 7");
    site.clock->advance(Millis(60000));
    EXPECT_EQ(site.server.fueling().progress(7).state, SaleState::Stopped);
    EXPECT_DOUBLE_EQ(site.server.fueling().progress(7).litres, 5.0);
    site.server.put("Resume", Value::string("07"));
    site.clock->advance(Millis(4000)); // the nozzle is up already: 0.5 l a second from at once
    EXPECT_DOUBLE_EQ(site.server.fueling().progress(7).litres, 7.0);
}

// The slow fault moves the embedded site's clock; a site served on the
// real clock leaves the wait to the service, which delays its reply.
TEST(SiteFaults, ASlowMemberMovesTheSitesClockOrLeavesTheWait)
{
    Site site;
    site.server.setFault("member SystemVersions slow 1500");
    EXPECT_EQ(site.server.answerDelay("systemversions"), Millis(1500));
    EXPECT_EQ(site.server.answerDelay("CardQue"), Millis(0));
    site.server.get("SystemVersions", std::nullopt);
    EXPECT_EQ(site.clock->now(), Millis(1500));
    site.server.setSlowAnswersMoveClock(false);
    site.server.get("SystemVersions", std::nullopt);
    EXPECT_EQ(site.clock->now(), Millis(1500));
}

} // namespace
