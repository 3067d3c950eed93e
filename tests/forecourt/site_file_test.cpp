// Site files: each way a file can be wrong refused with its line and reason,
// the examples loading, a station applied to a fresh server (positions left
// out answering error 1107, the configured grades, prices, tanks, readers,
// wash and sign in the records the buttons read), "{}" as the usual site,
// and the two programs refusing a bad file and running on a good one.
#include "forecourt/customer.h"
#include "forecourt/fault_command.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/site_file.h"
#include "forecourt/site_json.h"
#include "server/automation_error.h"

#include "support/case_names.h"
#include "support/error_of.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

using namespace vantrel;
using namespace vantrel::forecourt;
using vantrel::test::errorOf;

namespace {

const std::string kSites = VANTREL_SITE_EXAMPLES;

struct Refusal {
    const char* name;
    std::string text;
    std::string message;
};

class SiteFileRefused : public ::testing::TestWithParam<Refusal> {};

TEST_P(SiteFileRefused, SaysTheLineAndTheReason)
{
    const SiteFileParse parsed = parseSiteFile(GetParam().text);
    ASSERT_FALSE(parsed.config);
    EXPECT_EQ(parsed.error.message(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SiteFileRefused,
    ::testing::Values(
        Refusal{"Empty", "", "line 1: a value expected, not the end of the file (column 1)"},
        Refusal{"TrailingComma", "{\n \"positions\": [\n  {\"position\": 3,}\n ]\n}",
                "line 3: a key in double quotes expected, not '}' (column 18)"},
        Refusal{"MoreAfterTheObject", "{}\n{}", "line 2: the file goes on after its one object, with '{' (column 1)"},
        Refusal{"KeyTwice", "{\n \"sign\": {},\n \"sign\": {}\n}",
                "line 3: the key \"sign\" is given twice in this object (column 2)"},
        Refusal{"LineEndInAString", "{\"grades\": [{\"grade\": 1, \"name\": \"Un\nleaded\"}]}",
                "line 1: a string cannot hold the byte 10 (a line end needs \\n) (column 37)"},
        Refusal{"NotAnObject", "[]", "line 1: a site file is one object ({} is the usual site), not a list"},
        Refusal{"UnknownKey", "{\n \"position\": []\n}",
                "line 2: \"position\" is no key of a site (it takes grades, positions, tanks, wash, sign)"},
        Refusal{"UnknownKeyOfAPosition", "{\"positions\": [\n {\"position\": 1,\n  \"hose\": [1]}]}",
                "line 3: \"hose\" is no key of a position (it takes position, hoses, reader)"},
        Refusal{"PositionOutOfRange", "{\"positions\": [\n {\"position\": 33}]}", "line 2: a position is 1 to 32, not 33"},
        Refusal{"PositionNotWhole", "{\"positions\": [{\"position\": 2.5}]}", "line 1: a position is 1 to 32, not 2.5"},
        Refusal{"PositionTwice", "{\"positions\": [\n {\"position\": 4},\n {\"position\": 4}]}",
                "line 3: position 4 is given twice"},
        Refusal{"NoPositions", "{\"positions\": []}", "line 1: the positions hold 1 to 32 items, not 0"},
        Refusal{"PositionWithoutNumber", "{\"positions\": [\n {\"hoses\": [1]}]}", "line 2: a position needs \"position\""},
        Refusal{"PriceNotANumber", "{\"grades\": [\n {\"grade\": 1, \"name\": \"Diesel\",\n  \"tier1\": \"1.799\"}]}",
                "line 3: a price must be a number, not the string \"1.799\""},
        Refusal{"PriceTooFine", "{\"grades\": [{\"grade\": 1, \"name\": \"Diesel\", \"tier1\": 1.7999}]}",
                "line 1: a price is 0.001 to 9999.999 with at most 3 decimals, not 1.7999"},
        Refusal{"HosesNotAList", "{\"positions\": [{\"position\": 1, \"hoses\": 1}]}",
                "line 1: a position's hoses must be a list, not the number 1"},
        Refusal{"NineHoses", "{\"positions\": [{\"position\": 1, \"hoses\": [{},{},{},{},{},{},{},{},{}]}]}",
                "line 1: a position's hoses hold 1 to 8 items, not 9"},
        Refusal{"UnknownGrade", "{\"grades\": [{\"grade\": 1, \"name\": \"Diesel\"}],\n \"positions\": [{\"position\": 1,\n \"hoses\": [1, 7]}]}",
                "line 3: grade 7 is not among the grades"},
        Refusal{"GradeTwice", "{\"grades\": [{\"grade\": 1, \"name\": \"A\"},\n {\"grade\": 1, \"name\": \"B\"}]}",
                "line 2: grade 1 is given twice"},
        Refusal{"GradeWithoutName", "{\"grades\": [\n {\"grade\": 1}]}", "line 2: grade 1 needs \"name\""},
        Refusal{"UnknownMake", "{\"positions\": [{\"position\": 1,\n \"reader\": \"Wane\"}]}",
                "line 2: a reader's make is one of Gilbarco, Wayne, Wayne iX CAT, Bennett, ORPAK, not \"Wane\""},
        Refusal{"VolumeAboveCapacity",
                "{\"grades\": [{\"grade\": 1, \"name\": \"Diesel\"}],\n \"tanks\": [{\"grade\": 1, \"capacity\": 30000,\n  \"volume\": 31000}]}",
                "line 3: the volume 31000 is above the tank's capacity 30000"},
        Refusal{"TankWithoutCapacity", "{\"grades\": [{\"grade\": 1, \"name\": \"D\"}],\n \"tanks\": [\n {\"grade\": 1}]}",
                "line 3: a tank needs \"capacity\""},
        Refusal{"WashWithoutPrograms", "{\"wash\": {\n \"programs\": []}}", "line 2: the wash's programs hold 1 to 99 items, not 0"},
        Refusal{"SignLineNotSixDigits", "{\"sign\": {\"lines\": [\n \"1.799\"]}}",
                "line 2: a sign line is six digits such as \"001799\", not \"1.799\""},
        Refusal{"TooDeep", "{\"comment\": " + std::string(40, '[') + std::string(40, ']') + "}",
                "line 1: the values nest deeper than 32 levels (column 44)"},
        // What the file holds is shown escaped and cut: a refusal is one
        // short line that writes no control byte to the terminal.
        Refusal{"NulInAName", "{\"grades\": [{\"grade\": 1, \"name\": \"Un\\u0000leaded\"}]}",
                "line 1: a grade's name is 1 to 24 printable ASCII characters, not \"Un\\u0000leaded\""},
        Refusal{"EscapeSequenceInAName", "{\"grades\": [{\"grade\": 1, \"name\": \"\\u001b[2J\\u009b\\u202e\"}]}",
                "line 1: a grade's name is 1 to 24 printable ASCII characters, not \"\\u001b[2J\\u009b\\u202e\""},
        Refusal{"LineEndInAMake", "{\"positions\": [{\"position\": 1,\n \"reader\": \"Way\\nne\"}]}",
                "line 2: a reader's make is one of Gilbarco, Wayne, Wayne iX CAT, Bennett, ORPAK, not \"Way\\u000ane\""},
        Refusal{"QuoteInASignLine", "{\"sign\": {\"lines\": [\"00\\\"1799\"]}}",
                "line 1: a sign line is six digits such as \"001799\", not \"00\\\"1799\""},
        Refusal{"UnicodeNameShownAsWritten", "{\"grades\": [{\"grade\": 1, \"name\": \"D\xc3\xaf" "esel\"}]}",
                "line 1: a grade's name is 1 to 24 printable ASCII characters, not \"D\xc3\xaf" "esel\""},
        Refusal{"BytesThatAreNoUtf8", "{\"grades\": [{\"grade\": 1, \"name\": \"\xff\xc3\"}]}",
                "line 1: a grade's name is 1 to 24 printable ASCII characters, not \"\\xFF\\xC3\""},
        Refusal{"NulInAKey", "{\"grades\": [{\"grade\": 1, \"na\\u0000me\": \"x\"}]}",
                "line 1: \"na\\u0000me\" is no key of a grade (it takes grade, name, tier1, tier2)"},
        Refusal{"LongNameCut", "{\"grades\": [{\"grade\": 1, \"name\": \"" + std::string(900000, 'A') + "\"}]}",
                "line 1: a grade's name is 1 to 24 printable ASCII characters, not \"" + std::string(40, 'A') + "\u2026\""},
        Refusal{"LongKeyTwiceCut", "{\"" + std::string(5000, 'k') + "\": 1,\n \"" + std::string(5000, 'k') + "\": 1}",
                "line 2: the key \"" + std::string(40, 'k') + "\u2026\" is given twice in this object (column 2)"},
        Refusal{"LongNumberCut", "{\"grades\": [{\"grade\": 1, \"name\": \"D\", \"tier1\": 1.799" + std::string(900000, '0') + "}]}",
                "line 1: a price is 0.001 to 9999.999 with at most 3 decimals, not 1.799" + std::string(35, '0') + "\u2026"},
        Refusal{"HalfACharacterInHex", "{\"comment\": \"\\ud800\\u0041\"}",
                "line 1: \\ud800 is half a character without its other half (column 26)"},
        Refusal{"TooLarge", std::string(kLargestSiteFile + 1, ' '),
                "line 1: the file has 1048577 bytes; a site file has at most 1048576 (column 1)"}),
    test_names::ByName{});

TEST(SiteFile, EveryExampleLoads)
{
    int loaded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kSites)) {
        const SiteFileParse parsed = readSiteFile(entry.path().string());
        ASSERT_TRUE(parsed.config) << entry.path() << ": " << parsed.error.message();
        ForecourtServer server;
        applySite(server, *parsed.config);
        ++loaded;
    }
    EXPECT_GE(loaded, 2);
}

TEST(SiteFile, AFileThatCannotBeReadSaysSo)
{
    const SiteFileParse parsed = readSiteFile(kSites + "/no-such-site.json");
    ASSERT_FALSE(parsed.config);
    EXPECT_EQ(siteFileRefusal("no-such-site.json", parsed.error),
              "--site no-such-site.json: cannot be read: No such file or directory");
    // A path with a line end in it still gives one line.
    EXPECT_EQ(siteFileRefusal("no-such\nsite.json", parsed.error),
              "--site no-such\\u000asite.json: cannot be read: No such file or directory");
    // Neither a FIFO nor a device is read: either would hang the start or fill the memory.
    const std::string fifo = ::testing::TempDir() + "/site-file-fifo";
    std::filesystem::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& [path, reason] : {std::pair<std::string, std::string>{fifo, "is not a regular file"},
                                       {"/dev/zero", "is not a regular file"},
                                       {kSites, "is a folder, not a site file"}}) {
        const SiteFileParse refused = readSiteFile(path);
        ASSERT_FALSE(refused.config) << path;
        EXPECT_EQ(refused.error.reason, reason) << path;
    }
    std::filesystem::remove(fifo);
}

std::string text(ForecourtServer& server, const char* member, std::optional<Value> argument = std::nullopt)
{
    return server.get(member, argument).asString();
}

// A record's text with its NUL.
Value record(const std::string& lines) { return Value::string(lines + std::string(1, '\0')); }

// A server on a site file's site, on a clock of its own.
struct Site {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    std::unique_ptr<ForecourtServer> server = std::make_unique<ForecourtServer>(clock);
    ForecourtServer* operator->() { return server.get(); }
    ForecourtServer& operator*() { return *server; }
};

Site serverOn(const std::string& siteText)
{
    const SiteFileParse parsed = parseSiteFile(siteText);
    EXPECT_TRUE(parsed.config) << parsed.error.message();
    Site site;
    if (parsed.config)
        applySite(*site.server, *parsed.config);
    return site;
}

Site station()
{
    std::ifstream in(kSites + "/station.json");
    return serverOn(std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST(SiteFile, EmptyObjectIsTheUsualSite)
{
    Site usual;
    Site configured = serverOn("{}");
    EXPECT_EQ(usual->siteState(1), configured->siteState(1));
    for (const char* member : {"SystemVersions", "QueCountQuery"})
        EXPECT_EQ(text(*usual, member), text(*configured, member)) << member;
    for (const char* member : {"DispenserInformation", "ReaderInformation"})
        EXPECT_EQ(text(*usual, member, Value::int16(9)), text(*configured, member, Value::int16(9))) << member;
}

TEST(SiteFile, PositionsLeftOutAnswerTheNotInstalledError)
{
    auto site = station();
    const int notInstalled = static_cast<int>(ErrorCode::PositionNotInstalled);
    for (int p = 5; p <= 32; ++p) {
        const std::string nn = (p < 10 ? "0" : "") + std::to_string(p);
        EXPECT_EQ(errorOf([&] { site->put("Stop", Value::string(nn)); }), notInstalled) << p;
        EXPECT_EQ(errorOf([&] { text(*site, "FuelingPositionInformation", Value::int16(static_cast<std::int16_t>(p))); }),
                  notInstalled) << p;
        EXPECT_EQ(errorOf([&] { text(*site, "ReaderInformation", Value::int16(static_cast<std::int16_t>(p))); }),
                  notInstalled) << p;
    }
    EXPECT_EQ(errorOf([&] { site->put("DisplayData", record("ReaderPosition=05\r\nMessage=Hello\r\n")); }),
              notInstalled);
    const AutomationError described(ErrorCode::PositionNotInstalled, "position 05");
    EXPECT_EQ(described.description(), "The site has no fueling position there: position 05");
    // Stopping all stops the positions there are, and says nothing of those there are not.
    EXPECT_EQ(errorOf([&] { site->put("Stop", Value::string("0")); }), 0);
    EXPECT_TRUE(site->fueling().installed(4));
    EXPECT_FALSE(site->fueling().installed(5));
    EXPECT_FALSE(site->siteState(1).positions[4].installed);
}

// Neither a customer nor a fault reaches a position the site does not have.
TEST(SiteFile, PositionsLeftOutTakeNoCustomerAndNoFault)
{
    auto site = station();
    for (const char* action : {"nozzle 5 lift", "card 7 1", "key 32 1234", "cash 12 20"})
        EXPECT_THROW(actAsCustomer(*site, action), CustomerError) << action;
    EXPECT_NO_THROW(actAsCustomer(*site, "nozzle 4 lift"));
    for (const char* fault : {"position 5 offline", "reader 9 jam", "tank 4 low"})
        EXPECT_THROW(site->setFault(fault), FaultError) << fault;
    EXPECT_TRUE(site->faults().empty());
    EXPECT_NO_THROW(site->setFault("tank 3 water"));
}

TEST(SiteFile, TheStationsGradesAndPricesShowInTheReads)
{
    auto site = station();
    EXPECT_EQ(text(*site, "DispenserInformation", Value::int16(1)),
              "Dispenser=1\r\nState=Idle\r\nSlowdownPoint=0\r\nHose1Grade=1\r\nHose1Product=Unleaded 95\r\n"
              "Hose1Tier1=1.799\r\nHose1Tier2=1.839\r\nHose2Grade=3\r\nHose2Product=Diesel\r\nHose2Tier1=1.699\r\n"
              "Hose2Tier2=1.739\r\nSalesPaid=0\r\nTotalVolume=0.000\r\nTotalAmount=0.00");
    // A sale on hose 2 at tier 2 is priced from the site file.
    site->put("Authorize", record("FuelingPosition=01\r\nHose=2\r\nMOP=2\r\nLimit=001000\r\n"));
    EXPECT_NE(text(*site, "FuelingPositionInformation", Value::int16(1)).find("UnitPrice=1.739"), std::string::npos);
    // A hose the pump does not have: neither a sale nor a price for it.
    const int invalid = static_cast<int>(ErrorCode::InvalidValue);
    EXPECT_EQ(errorOf([&] { site->put("Authorize", record("FuelingPosition=02\r\nHose=3\r\nMOP=1\r\nLimit=001000\r\n")); }),
              invalid);
    const std::string before = text(*site, "DispenserInformation", Value::int16(2));
    EXPECT_EQ(errorOf([&] {
                  site->put("Price", record("FuelingPosition=02\r\nSlowdownPoint=15\r\nHose=1\r\nTier1=1111\r\n"
                                                   "Tier2=1111\r\nHose=3\r\nTier1=3333\r\nTier2=3333\r\n"));
              }),
              invalid);
    EXPECT_EQ(text(*site, "DispenserInformation", Value::int16(2)), before);
}

TEST(SiteFile, TheStationsTanksReadersWashAndSign)
{
    auto site = station();
    site->put("TankMonitorStartReport", Value::int16(1));
    site.clock->advance(TankMonitor::kPreparationTime);
    const std::string report = text(*site, "TankMonitorReport");
    EXPECT_EQ(report.substr(report.find("TankCount")),
              "TankCount=3\r\nTank=1\r\nProduct=Unleaded 95\r\nVolume=18500.0\r\nUllage=11500.0\r\nWater=6.5\r\n"
              "Temperature=14.8\r\nTank=2\r\nProduct=Super 98\r\nVolume=9200.0\r\nUllage=5800.0\r\nWater=0.0\r\n"
              "Temperature=15.0\r\nTank=3\r\nProduct=Diesel\r\nVolume=21000.0\r\nUllage=4000.0\r\nWater=12.0\r\n"
              "Temperature=13.5");
    EXPECT_TRUE(text(*site, "ReaderInformation", Value::int16(4)).starts_with("ReaderPosition=04\r\nMake=Wayne iX CAT\r\n"));
    EXPECT_NE(text(*site, "SystemVersions").find("Readers=4\r\n"), std::string::npos);
    site->put("CarWashInformationRequest", record("ReturnPriceData\r\n"));
    EXPECT_EQ(text(*site, "CarWashDataRead"),
              "ProgramCount=02\r\nProgramNumber=01\r\nFullPrice=00600\r\nDiscount1Price=00500\r\nDiscount2Price=00450\r\n"
              "ProgramNumber=02\r\nFullPrice=00900\r\nDiscount1Price=00800\r\nDiscount2Price=00700\r\nOptionCount=02\r\n"
              "OptionNumber=01\r\nFullPrice=00150\r\nDiscount1Price=00150\r\nDiscount2Price=00150\r\nOptionNumber=02\r\n"
              "FullPrice=00200\r\nDiscount1Price=00150\r\nDiscount2Price=00150");
    EXPECT_EQ(text(*site, "PriceSignDataRead"),
              "Status=OK\r\nIntensity=M06\r\nLine1=001799\r\nLine2=001899\r\nLine3=001699\r\nLine4=\r\nLine5=");
}

TEST(SiteFile, ATankOfAGradeLosesWhatTheHosesOfThatGradeDispense)
{
    auto site = station();
    // 10.00 of diesel (hose 2 at position 1, 1.699 a litre): 5.886 litres from tank 3 alone.
    site->put("Authorize", record("FuelingPosition=01\r\nHose=2\r\nMOP=1\r\nLimit=001000\r\n"));
    site.clock->advance(std::chrono::seconds(60));
    site->put("TankMonitorStartReport", Value::int16(1));
    site.clock->advance(TankMonitor::kPreparationTime);
    const std::string report = text(*site, "TankMonitorReport");
    EXPECT_NE(report.find("Tank=1\r\nProduct=Unleaded 95\r\nVolume=18500.0\r\n"), std::string::npos) << report;
    EXPECT_NE(report.find("Tank=3\r\nProduct=Diesel\r\nVolume=20994.1\r\nUllage=4005.9\r\n"), std::string::npos) << report;
}

TEST(SiteFile, TheReadersOfPositionsLeftOutHoldNothing)
{
    // The usual site starts with cards at readers 1 and 3 and cash at 2 and 4.
    auto site = serverOn("{\"positions\": [{\"position\": 3}]}");
    EXPECT_EQ(text(*site, "QueCountQuery"), "Card=1\r\nKey=0\r\nCash=0\r\nPacket=0\r\nError=0");
    EXPECT_NE(text(*site, "SystemVersions").find("Readers=1\r\n"), std::string::npos);
}

} // namespace
