// The simulated site devices under a hand-moved clock: the car wash
// controller (codes, their states, reads, price tables, bay), the tank
// monitor (busy, ready, inventory drawn down by sales), the price sign and
// the chip reader of the iX CAT terminals.
#include "support/session_rig.h"

#include "forecourt/emv_module.h"
#include "forecourt/reader_terminals.h"
#include "forecourt/site_devices.h"
#include "server/automation_error.h"
#include "server/records.h"

#include <QXmlStreamReader>

#include "support/case_names.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::forecourt;
using namespace vantrel::test;

namespace {

// A record from its lines: each ended by CR LF, then NUL.
std::string record(std::initializer_list<std::string> lines)
{
    std::string r;
    for (const auto& l : lines)
        r += l + "\r\n";
    return r + std::string(1, '\0');
}

std::string crlf(std::initializer_list<std::string> lines)
{
    std::string r;
    for (const auto& l : lines)
        r += (r.empty() ? "" : "\r\n") + l;
    return r;
}

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

std::string errorText(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e.description();
    }
    return {};
}

const std::string kGetCode = record({"RequestCarWashCode", "ProgramNumber=01", "PriceLevel=01", "OptionCount=2",
                                     "OptionNumber=01", "PriceLevel=01", "OptionNumber=03", "PriceLevel=01"});

std::vector<std::string> tableALines()
{
    return {"ProgramCount=03",      "ProgramNumber=01",     "FullPrice=00500",      "Discount1Price=00400",
            "Discount2Price=00300", "ProgramNumber=02",     "FullPrice=00600",      "Discount1Price=00500",
            "Discount2Price=00400", "ProgramNumber=03",     "FullPrice=00700",      "Discount1Price=00600",
            "Discount2Price=00500", "OptionCount=03",       "OptionNumber=01",      "FullPrice=00025",
            "Discount1Price=00020", "Discount2Price=00015", "OptionNumber=02",      "FullPrice=00030",
            "Discount1Price=00025", "Discount2Price=00020", "OptionNumber=03",      "FullPrice=00035",
            "Discount1Price=00030", "Discount2Price=00025"};
}

std::string setPriceRecord(const std::vector<std::string>& lines)
{
    std::string r = "SetPriceData\r\n";
    for (const auto& l : lines)
        r += l + "\r\n";
    return r + std::string("\r\n\r\n\0", 5);
}

std::string codeRecord(const char* word, const std::string& code) { return record({word, "CarWashCode=" + code}); }

std::string valueOf(const std::string& text, const std::string& key)
{
    const auto at = text.find(key + "=");
    if (at == std::string::npos)
        return "(none)";
    const auto start = at + key.size() + 1;
    return text.substr(start, text.find('\r', start) - start);
}

struct CarWashRig {
    ManualClock clock;
    CarWash wash{clock};
    std::string issue(const std::string& request = kGetCode)
    {
        wash.request(request);
        return valueOf(wash.dataRead(), "CarWashCode");
    }
    std::string ask(const std::string& request)
    {
        wash.request(request);
        return wash.dataRead();
    }
};

// ---------------------------------------------------------------- car wash codes

TEST(CarWashCodes, RequestIssuesAFreshCodeThatTheNextReadReturns)
{
    CarWashRig rig;
    rig.wash.request(kGetCode);
    const std::string data = rig.wash.dataRead();
    const std::string code = valueOf(data, "CarWashCode");
    ASSERT_EQ(code.size(), 6u);
    EXPECT_TRUE(std::all_of(code.begin(), code.end(), [](char c) { return c >= '0' && c <= '9'; }));
    // Program 01 and options 01 and 03 at full price on the controller's own table: 450 + 20 + 30.
    EXPECT_EQ(data, crlf({"CarWashCode=" + code, "ProgramNumber=01", "PriceLevel=01", "OptionCount=2", "OptionNumber=01",
                          "PriceLevel=01", "OptionNumber=03", "PriceLevel=01", "Amount=00500"}));
    EXPECT_EQ(rig.wash.dataRead(), data); // the data stays until the next request
    EXPECT_EQ(rig.wash.codeState(code), CarWash::CodeState::Unused);

    std::set<std::string> codes{code};
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(codes.insert(rig.issue()).second);
}

TEST(CarWashCodes, SameSequenceInEveryRun)
{
    CarWashRig a, b;
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(a.issue(), b.issue());
}

TEST(CarWashCodes, DiscountLevelsPriceTheCode)
{
    CarWashRig rig;
    rig.wash.request(record({"RequestCarWashCode", "ProgramNumber=03", "PriceLevel=03", "OptionCount=1",
                             "OptionNumber=02", "PriceLevel=02"}));
    EXPECT_EQ(valueOf(rig.wash.dataRead(), "Amount"), "00570"); // 550 + 20
}

TEST(CarWashCodes, StatusCancelAndUse)
{
    CarWashRig rig;
    const std::string first = rig.issue();
    const std::string second = rig.issue();
    EXPECT_EQ(rig.ask(codeRecord("CarWashCodeStatus", first)), "CarWashCode=" + first + "\r\nCodeStatus=Unused");

    EXPECT_EQ(rig.ask(codeRecord("CancelCarWashCode", first)), "CarWashCode=" + first + "\r\nCodeStatus=Cancelled");
    EXPECT_EQ(rig.ask(codeRecord("CarWashCodeStatus", first)), "CarWashCode=" + first + "\r\nCodeStatus=Cancelled");
    EXPECT_FALSE(rig.wash.enterCode(first)); // a cancelled code starts no wash

    EXPECT_TRUE(rig.wash.enterCode(second));
    EXPECT_EQ(rig.ask(codeRecord("CarWashCodeStatus", second)), "CarWashCode=" + second + "\r\nCodeStatus=Used");
    EXPECT_EQ(errorOf([&] { rig.wash.request(codeRecord("CancelCarWashCode", second)); }), 1303);
    EXPECT_EQ(rig.wash.codeState(second), CarWash::CodeState::Used);
    EXPECT_FALSE(rig.wash.enterCode(second)); // used once only
}

TEST(CarWashCodes, BlanksAroundTheCodeAreIgnored)
{
    CarWashRig rig;
    const std::string code = rig.issue();
    EXPECT_EQ(rig.ask(codeRecord("CarWashCodeStatus", " " + code + " ")), "CarWashCode=" + code + "\r\nCodeStatus=Unused");
}

struct UnknownCodeCase {
    std::string name;
    std::string request;
};
void PrintTo(const UnknownCodeCase& c, std::ostream* os) { *os << c.name; }
class UnknownCodeTest : public ::testing::TestWithParam<UnknownCodeCase> {};

TEST_P(UnknownCodeTest, RaisesNumberedErrorAndIsReportedAsFailed)
{
    CarWashRig rig;
    rig.issue();
    EXPECT_EQ(errorOf([&] { rig.wash.request(GetParam().request); }), 1301);
    EXPECT_EQ(rig.wash.dataRead(), "");
    EXPECT_NE(rig.wash.requestStatus().find("RequestStatus=Failed\r\nError=1301"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Codes, UnknownCodeTest,
                         ::testing::Values(UnknownCodeCase{"Status1234", codeRecord("CarWashCodeStatus", "1234")},
                                           UnknownCodeCase{"StatusEmpty", codeRecord("CarWashCodeStatus", "")},
                                           UnknownCodeCase{"Cancel1234", codeRecord("CancelCarWashCode", "1234")},
                                           UnknownCodeCase{"CancelEmpty", codeRecord("CancelCarWashCode", "")},
                                           UnknownCodeCase{"NoCodeLine", record({"CarWashCodeStatus"})}),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- malformed requests

struct BadRequestCase {
    std::string name;
    std::string request;
    int error;
    std::string detail;
};
void PrintTo(const BadRequestCase& c, std::ostream* os) { *os << c.name; }
class BadRequestTest : public ::testing::TestWithParam<BadRequestCase> {};

TEST_P(BadRequestTest, RefusedWithNumberedErrorNamingTheFault)
{
    CarWashRig rig;
    const std::string before = rig.ask(record({"ReturnPriceData"}));
    const std::string text = errorText([&] { rig.wash.request(GetParam().request); });
    EXPECT_EQ(errorOf([&] { rig.wash.request(GetParam().request); }), GetParam().error);
    EXPECT_NE(text.find(GetParam().detail), std::string::npos) << text;
    EXPECT_EQ(rig.ask(record({"ReturnPriceData"})), before); // the price table is unchanged
}

std::vector<std::string> tableAWith(std::size_t index, const std::string& line)
{
    auto lines = tableALines();
    if (line.empty())
        lines.erase(lines.begin() + static_cast<long>(index));
    else
        lines[index] = line;
    return lines;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, BadRequestTest,
    ::testing::Values(
        BadRequestCase{"UnknownWord", record({"WashMyCar"}), 1302, "unknown request \"WashMyCar\""},
        BadRequestCase{"KeyFirst", record({"Request=RequestCarWashCode"}), 1302, "request word"},
        BadRequestCase{"UnknownProgram",
                       record({"RequestCarWashCode", "ProgramNumber=09", "PriceLevel=01", "OptionCount=0"}), 1302,
                       "no wash program 09"},
        BadRequestCase{"PriceLevel4",
                       record({"RequestCarWashCode", "ProgramNumber=01", "PriceLevel=04", "OptionCount=0"}), 1302,
                       "price level 04"},
        BadRequestCase{"FewerOptions",
                       record({"RequestCarWashCode", "ProgramNumber=01", "PriceLevel=01", "OptionCount=2",
                               "OptionNumber=01", "PriceLevel=01"}),
                       1302, "OptionCount=2 but 1 option follows"},
        BadRequestCase{"MoreOptions",
                       record({"RequestCarWashCode", "ProgramNumber=01", "PriceLevel=01", "OptionCount=1",
                               "OptionNumber=01", "PriceLevel=01", "OptionNumber=02", "PriceLevel=01"}),
                       1302, "follows the last option"},
        BadRequestCase{"UnknownOption",
                       record({"RequestCarWashCode", "ProgramNumber=01", "PriceLevel=01", "OptionCount=1",
                               "OptionNumber=07", "PriceLevel=01"}),
                       1302, "no wash option 07"},
        BadRequestCase{"ProgramCountTooHigh", setPriceRecord(tableAWith(0, "ProgramCount=04")), 1302,
                       "ProgramCount=04 but 3 programs follow"},
        BadRequestCase{"OptionCountTooLow", setPriceRecord(tableAWith(13, "OptionCount=02")), 1302,
                       "OptionCount=02 but 3 options follow"},
        BadRequestCase{"MissingPrice", setPriceRecord(tableAWith(4, "")), 1302, "\"Discount2Price=\" expected"},
        BadRequestCase{"LetterInPrice", setPriceRecord(tableAWith(2, "FullPrice=005O0")), 1302,
                       "\"FullPrice=005O0\" is not a number"},
        BadRequestCase{"ProgramTwice", setPriceRecord(tableAWith(5, "ProgramNumber=01")), 1302, "given twice"},
        BadRequestCase{"TrailingLine", setPriceRecord([] { auto l = tableALines(); l.push_back("Extra=1"); return l; }()),
                       1302, "\"Extra=1\" follows the last option"},
        BadRequestCase{"NoNul", "ReturnCardData\r\n", 1002, ""}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- prices, reads, bay

TEST(CarWashPrices, PriceSetReplacesTheTableAndPricesNewCodes)
{
    CarWashRig rig;
    EXPECT_EQ(rig.ask(setPriceRecord(tableALines())), "PriceTable=Replaced\r\nProgramCount=03\r\nOptionCount=03");
    std::string expected;
    for (const auto& l : tableALines())
        expected += (expected.empty() ? "" : "\r\n") + l;
    EXPECT_EQ(rig.ask(record({"ReturnPriceData"})), expected);
    rig.wash.request(kGetCode);
    EXPECT_EQ(valueOf(rig.wash.dataRead(), "Amount"), "00560"); // 500 + 25 + 35
}

TEST(CarWashPrices, SmallerTableIsAcceptedWhenCountsMatch)
{
    CarWashRig rig;
    rig.wash.request(record({"SetPriceData", "ProgramCount=01", "ProgramNumber=05", "FullPrice=00900",
                             "Discount1Price=00800", "Discount2Price=00700", "OptionCount=00"}));
    EXPECT_EQ(rig.ask(record({"ReturnPriceData"})),
              crlf({"ProgramCount=01", "ProgramNumber=05", "FullPrice=00900", "Discount1Price=00800",
                    "Discount2Price=00700", "OptionCount=00"}));
    EXPECT_EQ(errorOf([&] { rig.wash.request(kGetCode); }), 1302); // program 01 is gone
}

struct ReturnCase {
    std::string word;
    std::string expected;
};
void PrintTo(const ReturnCase& c, std::ostream* os) { *os << c.word; }
class ReturnDataTest : public ::testing::TestWithParam<ReturnCase> {};

TEST_P(ReturnDataTest, NextReadReturnsThatData)
{
    CarWashRig rig;
    rig.wash.bay().card = ";4000001234567899=2912?";
    rig.wash.bay().rfid = "E2004700";
    rig.clock.advance(Millis(12'500));
    const std::string used = rig.issue();
    rig.issue(); // stays unused
    const std::string cancelled = rig.issue();
    rig.wash.request(codeRecord("CancelCarWashCode", cancelled));
    ASSERT_TRUE(rig.wash.enterCode(used));
    std::string expected = GetParam().expected;
    if (const auto at = expected.find("{code}"); at != std::string::npos)
        expected.replace(at, 6, used);
    EXPECT_EQ(rig.ask(record({GetParam().word})), expected);
    EXPECT_EQ(rig.wash.requestStatus(), "Request=" + GetParam().word + "\r\nRequestStatus=Complete");
}

INSTANTIATE_TEST_SUITE_P(
    Words, ReturnDataTest,
    ::testing::Values(
        ReturnCase{"ReturnCardData", "CardData=;4000001234567899=2912?"},
        ReturnCase{"ReturnKeyData", "KeyData={code}"},
        ReturnCase{"ReturnRFIDData", "RFIDData=E2004700"},
        ReturnCase{"ReturnReportData",
                   "CodesIssued=3\r\nCodesUnused=1\r\nCodesUsed=1\r\nCodesCancelled=1\r\nWashes=1\r\nWashSales=00500"},
        ReturnCase{"ReturnTransactionData", "TransactionCount=1\r\nTransactionNumber=01\r\nCarWashCode={code}\r\n"
                                            "ProgramNumber=01\r\nOptionCount=2\r\nAmount=00500\r\nSeconds=12"},
        ReturnCase{"ReturnPriceData", "ProgramCount=03\r\nProgramNumber=01\r\nFullPrice=00450\r\nDiscount1Price=00400\r\n"
                                      "Discount2Price=00350\r\nProgramNumber=02\r\nFullPrice=00550\r\n"
                                      "Discount1Price=00500\r\nDiscount2Price=00450\r\nProgramNumber=03\r\n"
                                      "FullPrice=00650\r\nDiscount1Price=00600\r\nDiscount2Price=00550\r\n"
                                      "OptionCount=03\r\nOptionNumber=01\r\nFullPrice=00020\r\nDiscount1Price=00015\r\n"
                                      "Discount2Price=00010\r\nOptionNumber=02\r\nFullPrice=00025\r\n"
                                      "Discount1Price=00020\r\nDiscount2Price=00015\r\nOptionNumber=03\r\n"
                                      "FullPrice=00030\r\nDiscount1Price=00025\r\nDiscount2Price=00020"}),
    [](const auto& info) { return info.param.word; });

TEST(CarWashStatus, RequestAndOperationStatusFollowTheBayAndTheClock)
{
    CarWashRig rig;
    EXPECT_EQ(rig.wash.requestStatus(), "RequestStatus=NoRequest");
    EXPECT_EQ(rig.wash.operationStatus(), "OperationStatus=Idle");
    EXPECT_EQ(rig.wash.dataRead(), "");

    const std::string code = rig.issue();
    EXPECT_EQ(rig.wash.requestStatus(), "Request=RequestCarWashCode\r\nRequestStatus=Complete");
    EXPECT_EQ(rig.wash.operationStatus(),
              "OperationStatus=Idle\r\nLastRequest=RequestCarWashCode\r\nLastRequestStatus=Complete");

    // Program 01 with two options washes for 180 + 2 * 30 seconds.
    ASSERT_TRUE(rig.wash.enterCode(code));
    const std::string busy = "OperationStatus=Washing\r\nCarWashCode=" + code + "\r\nProgramNumber=01\r\nSecondsLeft=";
    EXPECT_TRUE(rig.wash.operationStatus().starts_with(busy + "240\r\n"));
    rig.clock.advance(Millis(100'500));
    EXPECT_TRUE(rig.wash.operationStatus().starts_with(busy + "140\r\n"));
    const std::string another = rig.issue();
    EXPECT_FALSE(rig.wash.enterCode(another)); // the bay is still washing
    rig.clock.advance(Millis(139'500));
    EXPECT_TRUE(rig.wash.operationStatus().starts_with("OperationStatus=Idle\r\n"));
    EXPECT_TRUE(rig.wash.enterCode(another));

    EXPECT_THROW(rig.wash.request(record({"Nonsense"})), AutomationError);
    EXPECT_EQ(rig.wash.requestStatus(), "Request=Nonsense\r\nRequestStatus=Failed\r\nError=1302");
    EXPECT_TRUE(rig.wash.operationStatus().ends_with("LastRequest=Nonsense\r\nLastRequestStatus=Failed"));
}

TEST(CarWashMembers, ServerMembersReachTheController)
{
    ForecourtRig rig;
    rig.server.put("CarWashInformationRequest", Value::string(kGetCode));
    const std::string data = rig.server.get("CarWashDataRead", std::nullopt).asString();
    const std::string code = valueOf(data, "CarWashCode");
    EXPECT_EQ(rig.server.carWash().codeState(code), CarWash::CodeState::Unused);
    EXPECT_EQ(rig.server.get("CarWashRequestStatus", std::nullopt),
              Value::string("Request=RequestCarWashCode\r\nRequestStatus=Complete"));
    EXPECT_EQ(rig.server.get("CarWashOperationStatus", std::nullopt).asString().substr(0, 20), "OperationStatus=Idle");
}

// ---------------------------------------------------------------- tank monitor

const std::string kInventoryAtStart =
    "TankCount=3\r\n"
    "Tank=1\r\nProduct=Unleaded\r\nVolume=21000.0\r\nUllage=9000.0\r\nWater=8.0\r\nTemperature=15.2\r\n"
    "Tank=2\r\nProduct=Premium\r\nVolume=12500.0\r\nUllage=7500.0\r\nWater=0.0\r\nTemperature=14.6\r\n"
    "Tank=3\r\nProduct=Diesel\r\nVolume=24000.0\r\nUllage=6000.0\r\nWater=15.0\r\nTemperature=13.9";

TEST(TankMonitor, ReportIsBusyForFiveSecondsThenReady)
{
    ManualClock clock;
    double dispensed = 0;
    TankMonitor tanks(clock, [&] { return dispensed; });
    EXPECT_EQ(tanks.reportStatus(), "ReportStatus=NoReport");
    EXPECT_EQ(tanks.report(), "");

    clock.advance(Millis(2'000));
    tanks.startReport(1);
    EXPECT_EQ(tanks.reportStatus(), "ReportStatus=Busy");
    EXPECT_EQ(tanks.report(), "");
    clock.advance(Millis(4'999));
    EXPECT_EQ(tanks.reportStatus(), "ReportStatus=Busy");
    EXPECT_EQ(errorOf([&] { tanks.startReport(1); }), 1401);
    clock.advance(Millis(1));
    EXPECT_EQ(tanks.reportStatus(), "ReportStatus=Ready");
    EXPECT_EQ(tanks.report(), "ReportSeconds=2\r\n" + kInventoryAtStart);
    EXPECT_EQ(tanks.report(), tanks.report()); // reading does not use the report up
}

TEST(TankMonitor, SalesDrawTheTanksDown)
{
    ManualClock clock;
    double dispensed = 0;
    TankMonitor tanks(clock, [&] { return dispensed; });
    dispensed = 100.5;
    tanks.startReport(1);
    dispensed = 5000; // sales after the start are not in this report
    clock.advance(TankMonitor::kPreparationTime);
    EXPECT_EQ(tanks.report(),
              "ReportSeconds=0\r\nTankCount=3\r\n"
              "Tank=1\r\nProduct=Unleaded\r\nVolume=20949.8\r\nUllage=9050.2\r\nWater=8.0\r\nTemperature=15.2\r\n"
              "Tank=2\r\nProduct=Premium\r\nVolume=12479.9\r\nUllage=7520.1\r\nWater=0.0\r\nTemperature=14.6\r\n"
              "Tank=3\r\nProduct=Diesel\r\nVolume=23969.9\r\nUllage=6030.1\r\nWater=15.0\r\nTemperature=13.9");
    // A new report shows the later sales; an empty tank stays at zero.
    dispensed = 1e6;
    tanks.startReport(1);
    clock.advance(TankMonitor::kPreparationTime);
    EXPECT_NE(tanks.report().find("Product=Premium\r\nVolume=0.0\r\nUllage=20000.0"), std::string::npos);
}

class TankStartValueTest : public ::testing::TestWithParam<std::int16_t> {};
TEST_P(TankStartValueTest, OnlyOneStartsAReport)
{
    ManualClock clock;
    TankMonitor tanks(clock, [] { return 0.0; });
    EXPECT_EQ(errorOf([&] { tanks.startReport(GetParam()); }), 1402);
    EXPECT_EQ(tanks.reportStatus(), "ReportStatus=NoReport");
}
INSTANTIATE_TEST_SUITE_P(Values, TankStartValueTest, ::testing::Values<std::int16_t>(0, 2, -1, 32767),
                         [](const auto& info) { return "StartValue_" + vantrel::test_names::numberName(info.param); });

TEST(TankMonitor, ServerMembersUseTheInjectedClock)
{
    ForecourtRig rig;
    EXPECT_EQ(errorOf([&] { rig.server.put("TankMonitorStartReport", Value::int32(1)); }), 1001);
    rig.server.put("TankMonitorStartReport", Value::int16(1));
    EXPECT_EQ(rig.server.get("TankMonitorReportStatus", std::nullopt), Value::string("ReportStatus=Busy"));
    rig.advance(5'000);
    EXPECT_EQ(rig.server.get("TankMonitorReportStatus", std::nullopt), Value::string("ReportStatus=Ready"));
    EXPECT_EQ(rig.server.get("TankMonitorReport", std::nullopt), Value::string("ReportSeconds=0\r\n" + kInventoryAtStart));
}

// ---------------------------------------------------------------- price sign

TEST(PriceSign, KeepsIntensityAndLinesAndReportsThem)
{
    PriceSign sign;
    EXPECT_EQ(sign.read(), "Status=OK\r\nIntensity=M05\r\nLine1=\r\nLine2=\r\nLine3=\r\nLine4=\r\nLine5=");
    sign.send(record({"Command=DisplayControl", "Intensity=M08"}));
    sign.send(record({"Command=SendPrices", "Line1=001000", "Line2=002000", "Line3=003000", "Line4=004000",
                      "Line5=005000"}));
    EXPECT_EQ(sign.read(), "Status=OK\r\nIntensity=M08\r\nLine1=001000\r\nLine2=002000\r\nLine3=003000\r\n"
                           "Line4=004000\r\nLine5=005000");
    sign.send(record({"Command=SendPrices", "Line3=003990"}));
    EXPECT_EQ(sign.lines()[2], "003990");
    EXPECT_EQ(sign.lines()[1], "002000");
    EXPECT_EQ(sign.commands(), 3);
}

struct SignCase {
    std::string name;
    std::string record;
};
void PrintTo(const SignCase& c, std::ostream* os) { *os << c.name; }
class MalformedSignTest : public ::testing::TestWithParam<SignCase> {};

TEST_P(MalformedSignTest, RaisesNumberedErrorAndChangesNothing)
{
    PriceSign sign;
    sign.send(record({"Command=SendPrices", "Line1=001000"}));
    const std::string before = sign.read();
    EXPECT_EQ(errorOf([&] { sign.send(GetParam().record); }), 1501);
    EXPECT_EQ(sign.read(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Records, MalformedSignTest,
    ::testing::Values(SignCase{"NoCommand", record({"Intensity=M08"})},
                      SignCase{"UnknownCommand", record({"Command=Blink"})},
                      SignCase{"IntensityNumber", record({"Command=DisplayControl", "Intensity=08"})},
                      SignCase{"IntensityTooLong", record({"Command=DisplayControl", "Intensity=M080"})},
                      SignCase{"IntensityMissing", record({"Command=DisplayControl"})},
                      SignCase{"PriceFiveDigits", record({"Command=SendPrices", "Line1=00100"})},
                      SignCase{"PriceLetter", record({"Command=SendPrices", "Line2=00200X"})},
                      SignCase{"LineSix", record({"Command=SendPrices", "Line1=002000", "Line6=001000"})},
                      SignCase{"NoPrices", record({"Command=SendPrices"})}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- chip reader and EMV

TEST(ChipReader, ReaderControlSwitchesThatPositionOnly)
{
    ForecourtRig rig;
    rig.server.put("ReaderControl", Value::string(record({"ReaderPosition=07", "ChipReaderControl=Enable"})));
    EXPECT_TRUE(rig.server.readers().reader(7).emv.chipReaderEnabled);
    EXPECT_FALSE(rig.server.readers().reader(8).emv.chipReaderEnabled);
    rig.server.put("ReaderControl", Value::string(record({"ReaderPosition=07", "ChipReaderControl=Disable"})));
    EXPECT_FALSE(rig.server.readers().reader(7).emv.chipReaderEnabled);
    EXPECT_EQ(errorOf([&] {
                  rig.server.put("ReaderControl", Value::string(record({"ReaderPosition=07", "ChipReaderControl=On"})));
              }),
              1006);
    EXPECT_EQ(errorOf([&] {
                  rig.server.put("ReaderControl", Value::string(record({"ReaderPosition=33", "ChipReaderControl=Enable"})));
              }),
              1003);
}

// The XML of a packet record, after checking its count line against it.
std::string packetXml(const std::string& packet, const std::string& position)
{
    const std::string head = "ReaderPosition=" + position + "\r\nPacketCount=";
    EXPECT_TRUE(packet.starts_with(head)) << packet;
    EXPECT_TRUE(packet.ends_with(std::string("\r\n\0", 3)));
    const auto countEnd = packet.find("\r\n", head.size());
    const std::string count = packet.substr(head.size(), countEnd - head.size());
    const std::string dataKey = "\r\nPacketData=";
    EXPECT_EQ(packet.compare(countEnd, dataKey.size(), dataKey), 0);
    const std::string xml = packet.substr(countEnd + dataKey.size(), packet.size() - countEnd - dataKey.size() - 3);
    EXPECT_GE(count.size(), 3u);
    EXPECT_EQ(std::stoul(count), xml.size());
    QXmlStreamReader reader(QString::fromStdString(xml));
    while (!reader.atEnd())
        reader.readNext();
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return xml;
}

class EmvPositionTest : public ::testing::TestWithParam<int> {};

TEST_P(EmvPositionTest, DisabledReaderAnswersWithAnErrorResponse)
{
    ForecourtRig rig;
    const int position = GetParam();
    Reader& reader = rig.server.readers().reader(position);
    // The start-up state may hold entries already; the answer goes to the back.
    reader.packetQueue.clear();
    const std::size_t cards = reader.cardQueue.size();
    initiateEmvTransaction(reader, position, "0");
    ASSERT_EQ(reader.packetQueue.size(), 1u);
    const std::string xml = "<EMVModuleResponse><TransactionResult SequenceNumber=\"0\" Result=\"Error\" "
                            "ErrorCode=\"ChipReaderDisabled\" ErrorText=\"The chip reader is disabled\"/>"
                            "</EMVModuleResponse>";
    EXPECT_EQ(reader.packetQueue.front(), "ReaderPosition=" + rec::positionText(position) + "\r\nPacketCount=164\r\nPacketData=" + xml +
                                              std::string("\r\n\0", 3));
    EXPECT_EQ(packetXml(reader.packetQueue.front(), rec::positionText(position)), xml);
    EXPECT_EQ(reader.cardQueue.size(), cards);
    EXPECT_EQ(reader.emv.transactions, 1);
}

TEST_P(EmvPositionTest, EnabledReaderReadsASimulatedCard)
{
    ForecourtRig rig;
    const int position = GetParam();
    const std::string pos = rec::positionText(position);
    rig.server.put("ReaderControl", Value::string(record({"ReaderPosition=" + pos, "ChipReaderControl=Enable"})));
    Reader& reader = rig.server.readers().reader(position);
    reader.packetQueue.clear();
    reader.cardQueue.clear();
    initiateEmvTransaction(reader, position, "42");
    ASSERT_EQ(reader.packetQueue.size(), 1u);
    EXPECT_EQ(packetXml(reader.packetQueue.front(), pos),
              "<EMVModuleResponse><TransactionResult SequenceNumber=\"42\" Result=\"CardInserted\">"
              "<Card ApplicationLabel=\"VISA CREDIT\" AID=\"A0000000031010\" MaskedPAN=\"476173******0119\" "
              "Expiry=\"2912\"/></TransactionResult></EMVModuleResponse>");
    ASSERT_EQ(reader.cardQueue.size(), 1u);
    EXPECT_EQ(reader.cardQueue.front(), "ReaderPosition=" + pos +
                                            "\r\nCardType=Chip\r\nApplicationLabel=VISA CREDIT\r\nAID=A0000000031010\r\n"
                                            "Track2=4761739001010119=2912201");

    // The next customer brings another card.
    initiateEmvTransaction(reader, position, "43");
    ASSERT_EQ(reader.cardQueue.size(), 2u);
    EXPECT_NE(reader.cardQueue.back().find("ApplicationLabel=MASTERCARD"), std::string::npos);
    EXPECT_NE(packetXml(reader.packetQueue.back(), pos).find("MaskedPAN=\"541333******0011\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Positions, EmvPositionTest, ::testing::Values(1, 12, 32),
                         [](const auto& info) { return "Position" + std::to_string(info.param); });

TEST(Emv, SequenceNumberIsEscapedInTheResponse)
{
    ForecourtRig rig;
    Reader& reader = rig.server.readers().reader(4);
    reader.packetQueue.clear();
    initiateEmvTransaction(reader, 4, "1\"<&");
    EXPECT_NE(packetXml(reader.packetQueue.front(), "04").find("SequenceNumber=\"1&quot;&lt;&amp;\""), std::string::npos);
}

// The utility's EMV Initiate record, through PacketQueOutput and the XML reader.
TEST(Emv, InitiatePacketFromTheUtilityReachesTheChipReader)
{
    ForecourtRig rig;
    const std::string packet =
        lit("ReaderPosition=12\r\nPacketCount=113\r\nPacketData=<EMVModuleCommand><InitiateTransactionCommand "
            "SequenceNumber=\"0\"></InitiateTransactionCommand></EMVModuleCommand>\r\n\0");
    Reader& reader = rig.server.readers().reader(12);
    reader.packetQueue.clear();
    reader.cardQueue.clear();
    const auto results = [&reader](const char* result) {
        return std::count_if(reader.packetQueue.begin(), reader.packetQueue.end(), [result](const std::string& p) {
            return p.find("<TransactionResult SequenceNumber=\"0\" Result=\"" + std::string(result) + "\"") !=
                   std::string::npos;
        });
    };

    rig.server.put("PacketQueOutput", Value::string(packet));
    EXPECT_EQ(results("Error"), 1);
    EXPECT_TRUE(reader.cardQueue.empty());

    rig.server.put("ReaderControl", Value::string(record({"ReaderPosition=12", "ChipReaderControl=Enable"})));
    rig.server.put("PacketQueOutput", Value::string(packet));
    EXPECT_EQ(results("CardInserted"), 1);
    ASSERT_EQ(reader.cardQueue.size(), 1u);
    EXPECT_TRUE(reader.cardQueue.front().starts_with("ReaderPosition=12\r\nCardType=Chip\r\n"));
    EXPECT_EQ(reader.emv.transactions, 2);
}

} // namespace
