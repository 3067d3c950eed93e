// The OTHER DEVICES handlers against a recording server: every record byte
// for byte, what each press writes into TextBox and DeviceData, the PRICE SET
// alternation, failures, and the control table.
#include "support/session_rig.h"

#include "devices/devices_handlers.h"
#include "devices/devices_records.h"
#include "session/handler_runner.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>

using namespace vantrel;
using namespace vantrel::devices;
using namespace vantrel::test;

namespace {

constexpr const char* kUntouched = "untouched";
const std::string kRequestDescription = "<Object>.CarWashInformationRequest = <data>";

std::string joinCrLf(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines)
        text += std::string(line) + "\r\n";
    return text;
}

// The two price tables as the window must send them.
const std::string kTableA = joinCrLf({"ProgramCount=03", "ProgramNumber=01", "FullPrice=00500", "Discount1Price=00400",
                                      "Discount2Price=00300", "ProgramNumber=02", "FullPrice=00600", "Discount1Price=00500",
                                      "Discount2Price=00400", "ProgramNumber=03", "FullPrice=00700", "Discount1Price=00600",
                                      "Discount2Price=00500", "OptionCount=03", "OptionNumber=01", "FullPrice=00025",
                                      "Discount1Price=00020", "Discount2Price=00015", "OptionNumber=02", "FullPrice=00030",
                                      "Discount1Price=00025", "Discount2Price=00020", "OptionNumber=03", "FullPrice=00035",
                                      "Discount1Price=00030", "Discount2Price=00025"});
const std::string kTableB = joinCrLf({"ProgramCount=03", "ProgramNumber=01", "FullPrice=00501", "Discount1Price=00401",
                                      "Discount2Price=00301", "ProgramNumber=02", "FullPrice=00601", "Discount1Price=00501",
                                      "Discount2Price=00401", "ProgramNumber=03", "FullPrice=00701", "Discount1Price=00601",
                                      "Discount2Price=00501", "OptionCount=03", "OptionNumber=01", "FullPrice=00026",
                                      "Discount1Price=00021", "Discount2Price=00016", "OptionNumber=02", "FullPrice=00031",
                                      "Discount1Price=00026", "Discount2Price=00021", "OptionNumber=03", "FullPrice=00036",
                                      "Discount1Price=00031", "Discount2Price=00026"});

const std::string kEmvPacket =
    "<EMVModuleCommand><InitiateTransactionCommand SequenceNumber=\"0\"></InitiateTransactionCommand></EMVModuleCommand>";
const std::string kBarCodePacket = "<PrinterCommand><PrintCommand SequenceNumber=\"1600\"><PrintBarCode "
                                   "Characters=\"73513537\" Symbology=\"EAN_8\"/><CutPaper/></PrintCommand></PrinterCommand>";

using StateHandler = std::function<void(Session&, OtherDevicesState&)>;

// ---------------------------------------------------------------- car wash requests

struct RequestCase {
    std::string name;
    StateHandler press;
    std::string code; // CodeBox text
    std::string record;
    std::optional<std::string> deviceData; // nullopt: DeviceData stays as it was
};
void PrintTo(const RequestCase& c, std::ostream* os) { *os << c.name; }

class CarWashRequestTest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(CarWashRequestTest, SendsRecordAndWritesBoxes)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.session.setBox(Box::DeviceData, kUntouched);
    OtherDevicesState state;
    state.codeChanged(c.code);
    ASSERT_TRUE(runHandler(rig.session, [&](Session& s) { c.press(s, state); }));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Put);
    EXPECT_EQ(rig.server.calls()[0].member, "CarWashInformationRequest");
    EXPECT_EQ(rig.server.onlyPut(), c.record);
    EXPECT_EQ(rig.session.textBox(), kRequestDescription);
    EXPECT_EQ(rig.session.box(Box::DeviceData), c.deviceData.value_or(kUntouched));
    EXPECT_TRUE(rig.session.recordData.isEmpty());
    EXPECT_TRUE(rig.prompter.shown().empty());
}

StateHandler plain(void (*h)(Session&))
{
    return [h](Session& s, OtherDevicesState&) { h(s); };
}

INSTANTIATE_TEST_SUITE_P(
    Requests, CarWashRequestTest,
    ::testing::Values(
        RequestCase{"GetCode", plain(getCode), "1234",
                    lit("RequestCarWashCode\r\nProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=2\r\nOptionNumber=01\r\n"
                        "PriceLevel=01\r\nOptionNumber=03\r\nPriceLevel=01\r\n\0"),
                    "ProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=2\r\nOptionNumber=01\r\nPriceLevel=01\r\n"
                    "OptionNumber=03\r\nPriceLevel=01\r\n"},
        RequestCase{"CancelCode1234", [](Session& s, OtherDevicesState& st) { cancelCode(s, st); }, "1234",
                    lit("CancelCarWashCode\r\nCarWashCode=1234\r\n\0"), std::nullopt},
        RequestCase{"CancelCodeEmpty", [](Session& s, OtherDevicesState& st) { cancelCode(s, st); }, "",
                    lit("CancelCarWashCode\r\nCarWashCode=\r\n\0"), std::nullopt},
        RequestCase{"CodeStatus1234", [](Session& s, OtherDevicesState& st) { codeStatus(s, st); }, "1234",
                    lit("CarWashCodeStatus\r\nCarWashCode=1234\r\n\0"), std::nullopt},
        RequestCase{"CodeStatusEmpty", [](Session& s, OtherDevicesState& st) { codeStatus(s, st); }, "",
                    lit("CarWashCodeStatus\r\nCarWashCode=\r\n\0"), std::nullopt},
        RequestCase{"CodeSentAsTyped", [](Session& s, OtherDevicesState& st) { codeStatus(s, st); }, " 12\xE9x",
                    lit("CarWashCodeStatus\r\nCarWashCode= 12\xE9x\r\n\0"), std::nullopt},
        RequestCase{"CardRead", plain(cardRead), "", lit("ReturnCardData\r\n\0"), std::nullopt},
        RequestCase{"KeyRead", plain(keyRead), "", lit("ReturnKeyData\r\n\0"), std::nullopt},
        RequestCase{"PriceRead", plain(priceRead), "", lit("ReturnPriceData\r\n\0"), std::nullopt},
        RequestCase{"ReportRead", plain(reportRead), "", lit("ReturnReportData\r\n\0"), std::nullopt},
        RequestCase{"RfidRead", plain(rfidRead), "", lit("ReturnRFIDData\r\n\0"), std::nullopt},
        RequestCase{"TransRead", plain(transRead), "", lit("ReturnTransactionData\r\n\0"), std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(CarWashRequests, GetCodeShowsItsLinesEvenWhenTheCallFails)
{
    SessionRig rig;
    rig.server.fail("CarWashInformationRequest", 1302, "refused");
    EXPECT_FALSE(runHandler(rig.session, getCode));
    EXPECT_EQ(rig.session.textBox(), kRequestDescription);
    EXPECT_EQ(rig.session.box(Box::DeviceData), std::string("ProgramNumber=01\r\nPriceLevel=01\r\nOptionCount=2\r\n"
                                                            "OptionNumber=01\r\nPriceLevel=01\r\nOptionNumber=03\r\n"
                                                            "PriceLevel=01\r\n"));
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{"Error 1302: refused"});
}

struct CodeButtonCase {
    std::string name;
    StateHandler press;
};
void PrintTo(const CodeButtonCase& c, std::ostream* os) { *os << c.name; }

class UnsendableCodeTest : public ::testing::TestWithParam<CodeButtonCase> {};

TEST_P(UnsendableCodeTest, ShowsMessageAndSendsNothing)
{
    SessionRig rig;
    rig.session.setTextBox(kUntouched);
    OtherDevicesState state;
    state.codeChanged("1234");
    state.codeChanged(std::nullopt); // the box now holds a character above 255
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { GetParam().press(s, state); }));
    EXPECT_TRUE(rig.server.calls().empty());
    EXPECT_EQ(rig.session.textBox(), kUntouched);
    ASSERT_EQ(rig.prompter.shown().size(), 1u);
    EXPECT_EQ(rig.prompter.shown()[0].text, kCodeNotSendable);
    EXPECT_EQ(rig.prompter.shown()[0].title, "VantrelTest");

    // Once the box holds sendable text again, the code goes out.
    state.codeChanged("77");
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { GetParam().press(s, state); }));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_NE(rig.server.onlyPut().find("CarWashCode=77\r\n"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(CodeButtons, UnsendableCodeTest,
                         ::testing::Values(CodeButtonCase{"CancelCode", [](Session& s, OtherDevicesState& st) { cancelCode(s, st); }},
                                           CodeButtonCase{"CodeStatus", [](Session& s, OtherDevicesState& st) { codeStatus(s, st); }}),
                         [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- PRICE SET

TEST(PriceSet, AlternatesTablesAThenBThenA)
{
    SessionRig rig;
    OtherDevicesState state;
    EXPECT_EQ(state.priceSet, 0);
    const std::string tables[] = {kTableA, kTableB, kTableA, kTableB};
    const std::int16_t flagAfter[] = {1, 0, 1, 0};
    for (int press = 0; press < 4; ++press) {
        rig.server.clear();
        ASSERT_TRUE(runHandler(rig.session, [&](Session& s) { setPrices(s, state); }));
        SCOPED_TRACE("press " + std::to_string(press + 1));
        EXPECT_EQ(rig.server.calls().at(0).member, "CarWashInformationRequest");
        EXPECT_EQ(rig.server.onlyPut(), "SetPriceData\r\n" + tables[press] + lit("\r\n\r\n\0"));
        EXPECT_EQ(rig.session.box(Box::DeviceData), tables[press]);
        EXPECT_EQ(rig.session.textBox(), kRequestDescription);
        EXPECT_EQ(state.priceSet, flagAfter[press]);
    }
}

TEST(PriceSet, RecordEndsWithLastPriceLineAndThreeCrLfThenNul)
{
    SessionRig rig;
    OtherDevicesState state;
    setPrices(rig.session, state);
    const std::string record = rig.server.onlyPut();
    EXPECT_TRUE(record.ends_with(lit("Discount2Price=00025\r\n\r\n\r\n\0")));
    EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), 1 + 26 + 2);
    EXPECT_EQ(std::count(record.begin(), record.end(), '\0'), 1);
}

TEST(PriceSet, FlagFlipsAndLinesShowEvenWhenTheCallFails)
{
    SessionRig rig;
    rig.server.fail("CarWashInformationRequest");
    OtherDevicesState state;
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) { setPrices(s, state); }));
    EXPECT_EQ(state.priceSet, 1);
    EXPECT_EQ(rig.session.box(Box::DeviceData), kTableA);
    EXPECT_EQ(rig.session.textBox(), kRequestDescription);
    // The next press goes on with table B.
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) { setPrices(s, state); }));
    EXPECT_EQ(rig.server.putsTo("CarWashInformationRequest").back(), "SetPriceData\r\n" + kTableB + lit("\r\n\r\n\0"));
}

// ---------------------------------------------------------------- queries

struct QueryCase {
    std::string name;
    void (*press)(Session&);
    std::optional<std::string> description; // nullopt: TextBox is left alone
    std::string member;
};
void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.name; }

class QueryTest : public ::testing::TestWithParam<QueryCase> {};

TEST_P(QueryTest, ReadsMemberIntoDeviceData)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.session.setTextBox(kUntouched);
    rig.session.setBox(Box::DeviceData, "old");
    rig.server.answer(c.member, Value::string(lit("Status=1\r\nA\0B")));
    ASSERT_TRUE(runHandler(rig.session, c.press));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Get);
    EXPECT_EQ(rig.server.calls()[0].member, c.member);
    EXPECT_FALSE(rig.server.calls()[0].value.has_value());
    EXPECT_EQ(rig.session.box(Box::DeviceData), lit("Status=1\r\nA\0B"));
    EXPECT_EQ(rig.session.textBox(), c.description.value_or(kUntouched));
    EXPECT_EQ(rig.session.inBox(), "");
}

TEST_P(QueryTest, EmptyValueEmptiesDeviceDataAndNumbersShowAsText)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.session.setBox(Box::DeviceData, "old");
    rig.server.answer(c.member, Value());
    rig.server.answer(c.member, Value::int16(15));
    ASSERT_TRUE(runHandler(rig.session, c.press));
    EXPECT_EQ(rig.session.box(Box::DeviceData), "");
    ASSERT_TRUE(runHandler(rig.session, c.press));
    EXPECT_EQ(rig.session.box(Box::DeviceData), "15");
}

TEST_P(QueryTest, FailingReadLeavesDeviceData)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.session.setTextBox(kUntouched);
    rig.session.setBox(Box::DeviceData, "kept");
    rig.server.fail(c.member, 1401, "busy");
    EXPECT_FALSE(runHandler(rig.session, c.press));
    EXPECT_EQ(rig.session.box(Box::DeviceData), "kept");
    EXPECT_EQ(rig.session.textBox(), c.description.value_or(kUntouched));
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{"Error 1401: busy"});
}

INSTANTIATE_TEST_SUITE_P(
    Reads, QueryTest,
    ::testing::Values(
        QueryCase{"WashStatus", washStatus, "(data)=<Object>.CarWashRequestStatus", "CarWashRequestStatus"},
        QueryCase{"CommandStatus", commandStatus, "(data)=<Object>.CarWashOperationStatus", "CarWashOperationStatus"},
        QueryCase{"ReadData", readCarWashData, "(data)=<Object>.CarWashDataRead", "CarWashDataRead"},
        QueryCase{"ReportStatus", tankReportStatus, "(data)=<Object>.TankMonitorReportStatus", "TankMonitorReportStatus"},
        QueryCase{"ReadReport", readTankReport, "(data)=<Object>.TankMonitorReport", "TankMonitorReport"},
        QueryCase{"SignGetStatus", getSignStatus, std::nullopt, "PriceSignDataRead"}),
    [](const auto& info) { return info.param.name; });

// ---------------------------------------------------------------- tank monitor

TEST(StartReport, AssignsInteger1ThenEmptiesDeviceData)
{
    SessionRig rig;
    rig.session.setBox(Box::DeviceData, "Tank=1\r\nVolume=100.0");
    ASSERT_TRUE(runHandler(rig.session, startTankReport));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Put);
    EXPECT_EQ(rig.server.calls()[0].member, "TankMonitorStartReport");
    EXPECT_EQ(rig.server.calls()[0].value, Value::int16(1));
    EXPECT_EQ(rig.session.box(Box::DeviceData), "");
    EXPECT_EQ(rig.session.textBox(), "<Object>.TankMonitorStartReport = (data)");
}

TEST(StartReport, FailingCallKeepsDeviceData)
{
    SessionRig rig;
    rig.session.setBox(Box::DeviceData, "Tank=1\r\nVolume=100.0");
    rig.server.fail("TankMonitorStartReport", 1401, "busy");
    EXPECT_FALSE(runHandler(rig.session, startTankReport));
    EXPECT_EQ(rig.session.box(Box::DeviceData), "Tank=1\r\nVolume=100.0");
    EXPECT_EQ(rig.session.textBox(), "<Object>.TankMonitorStartReport = (data)");
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{"Error 1401: busy"});
}

// ---------------------------------------------------------------- price sign and chip reader

struct PutCase {
    std::string name;
    void (*press)(Session&);
    int position;
    std::string member;
    std::string record;
    bool storedInRecordData;
};
void PrintTo(const PutCase& c, std::ostream* os) { *os << c.name; }

class PutTest : public ::testing::TestWithParam<PutCase> {};

TEST_P(PutTest, SendsExactRecordAndTouchesNoBox)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(c.position);
    rig.session.setTextBox(kUntouched);
    rig.session.setInBox(kUntouched);
    rig.session.setBox(Box::DeviceData, kUntouched);
    ASSERT_TRUE(runHandler(rig.session, c.press));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Put);
    EXPECT_EQ(rig.server.calls()[0].member, c.member);
    EXPECT_EQ(rig.server.onlyPut(), c.record);
    EXPECT_EQ(rig.session.textBox(), kUntouched);
    EXPECT_EQ(rig.session.inBox(), kUntouched);
    EXPECT_EQ(rig.session.box(Box::DeviceData), kUntouched);
    EXPECT_EQ(rig.session.recordData, c.storedInRecordData ? Value::string(c.record) : Value());
}

TEST_P(PutTest, FailingCallChangesNothingOnScreen)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(c.position);
    rig.session.setTextBox(kUntouched);
    rig.session.setBox(Box::DeviceData, kUntouched);
    rig.server.fail(c.member, 1501, "bad");
    EXPECT_FALSE(runHandler(rig.session, c.press));
    EXPECT_EQ(rig.session.textBox(), kUntouched);
    EXPECT_EQ(rig.session.box(Box::DeviceData), kUntouched);
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{"Error 1501: bad"});
}

INSTANTIATE_TEST_SUITE_P(
    Records, PutTest,
    ::testing::Values(
        PutCase{"SendControl", sendSignControl, 1, "PriceSignDataSend",
                lit("Command=DisplayControl\r\nIntensity=M08\r\n\0"), false},
        PutCase{"SendPrices", sendSignPrices, 1, "PriceSignDataSend",
                lit("Command=SendPrices\r\nLine1=001000\r\nLine2=002000\r\nLine3=003000\r\nLine4=004000\r\n"
                    "Line5=005000\r\n\0"),
                false},
        PutCase{"EnableAt7", enableChipReader, 7, "ReaderControl",
                lit("ReaderPosition=07\r\nChipReaderControl=Enable\r\n\0"), false},
        PutCase{"DisableAt7", disableChipReader, 7, "ReaderControl",
                lit("ReaderPosition=07\r\nChipReaderControl=Disable\r\n\0"), false},
        PutCase{"DisableAt32", disableChipReader, 32, "ReaderControl",
                lit("ReaderPosition=32\r\nChipReaderControl=Disable\r\n\0"), false},
        PutCase{"EmvInitiateAt12", initiateEmv, 12, "PacketQueOutput",
                "ReaderPosition=12\r\nPacketCount=113\r\nPacketData=" + kEmvPacket + lit("\r\n\0"), false},
        PutCase{"BarCodeAt3", printBarCodePacket, 3, "PacketQueOutput",
                "ReaderPosition=03\r\nPacketCount=150\r\nPacketData=" + kBarCodePacket + lit("\r\n\0"), true}),
    [](const auto& info) { return info.param.name; });

TEST(SendPrices, TwoPressesSendTheSameRecord)
{
    SessionRig rig;
    ASSERT_TRUE(runHandler(rig.session, sendSignPrices));
    ASSERT_TRUE(runHandler(rig.session, sendSignPrices));
    const auto puts = rig.server.putsTo("PriceSignDataSend");
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_EQ(puts[0], puts[1]);
}

TEST(ChipReader, PositionIsReadAtThePress)
{
    SessionRig rig;
    rig.select(5);
    ASSERT_TRUE(runHandler(rig.session, initiateEmv));
    rig.select(21);
    ASSERT_TRUE(runHandler(rig.session, initiateEmv));
    const auto puts = rig.server.putsTo("PacketQueOutput");
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_TRUE(puts[0].starts_with("ReaderPosition=05\r\n"));
    EXPECT_TRUE(puts[1].starts_with("ReaderPosition=21\r\n"));
}

struct CountCase {
    std::size_t length;
    std::string count;
};
void PrintTo(const CountCase& c, std::ostream* os) { *os << c.length; }

class PacketCountTest : public ::testing::TestWithParam<CountCase> {};

TEST_P(PacketCountTest, CountIsTheLengthWithAtLeastThreeDigits)
{
    const std::string packet(GetParam().length, 'x');
    EXPECT_EQ(records::outputPacket("09", packet),
              "ReaderPosition=09\r\nPacketCount=" + GetParam().count + "\r\nPacketData=" + packet + lit("\r\n\0"));
}

INSTANTIATE_TEST_SUITE_P(Lengths, PacketCountTest,
                         ::testing::Values(CountCase{0, "000"}, CountCase{7, "007"}, CountCase{45, "045"},
                                           CountCase{99, "099"}, CountCase{100, "100"}, CountCase{999, "999"},
                                           CountCase{1000, "1000"}, CountCase{12345, "12345"}),
                         [](const auto& info) { return "Length" + std::to_string(info.param.length); });

// ---------------------------------------------------------------- the control table

TEST(ControlTable, EveryButtonOnceWithExactCaption)
{
    OtherDevicesState state;
    const auto buttons = otherDevicesButtons(state);
    EXPECT_EQ(buttons.size(), 24u);
    std::set<std::string> names;
    for (const auto& b : buttons) {
        EXPECT_TRUE(names.insert(b.name).second) << b.name;
        EXPECT_TRUE(static_cast<bool>(b.handler)) << b.name;
    }
    const auto caption = [&](const std::string& name) {
        for (const auto& b : buttons)
            if (b.name == name)
                return b.caption;
        return std::string("(missing)");
    };
    EXPECT_EQ(caption("WAYNE_CHIP_READER_DISABLE"), " DISABLE_CHIP READER");
    EXPECT_EQ(caption("PACKETPRN"), "PACKET PRINT BAR CODE");
    EXPECT_EQ(caption("INIT_TRANS_BUTTON"), "EMV Initiate");
    EXPECT_EQ(caption("CAR_WASHSTATUSBUTTON"), "WASH STATUS");
    EXPECT_EQ(caption("EXIT_CMD"), "EXIT");
}

TEST(ControlTable, LabelsWithExactCaptions)
{
    const auto labels = otherDevicesLabels();
    ASSERT_EQ(labels.size(), 7u);
    EXPECT_EQ(labels[0].name, "Label2");
    EXPECT_EQ(labels[0].caption, "WAYNE iXCAT EMV" + std::string(9, ' ') + "CONTROL");
    std::set<std::string> captions;
    for (const auto& l : labels)
        captions.insert(l.caption);
    for (const char* c : {"CAR WASH", "COMMANDS", "CODE #", "TANK MONITOR", "PRICE SIGN", "DEVICE DATA"})
        EXPECT_TRUE(captions.count(c)) << c;
}

struct ButtonCase {
    std::string name;
    Access access;
    std::string member;
};
void PrintTo(const ButtonCase& c, std::ostream* os) { *os << c.name; }

class ButtonTest : public ::testing::TestWithParam<ButtonCase> {};

// Each row of the table reaches its member, so a click and a script press do the right thing.
TEST_P(ButtonTest, RowRunsItsHandler)
{
    SessionRig rig;
    OtherDevicesState state;
    const auto buttons = otherDevicesButtons(state);
    const auto it = std::find_if(buttons.begin(), buttons.end(), [](const ButtonSpec& b) { return b.name == GetParam().name; });
    ASSERT_NE(it, buttons.end());
    ASSERT_TRUE(runHandler(rig.session, it->handler));
    if (GetParam().member.empty()) {
        EXPECT_TRUE(rig.server.calls().empty());
        return;
    }
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, GetParam().access);
    EXPECT_EQ(rig.server.calls()[0].member, GetParam().member);
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ButtonTest,
    ::testing::Values(ButtonCase{"WAYNE_CHIP_READER_ENABLE", Access::Put, "ReaderControl"},
                      ButtonCase{"WAYNE_CHIP_READER_DISABLE", Access::Put, "ReaderControl"},
                      ButtonCase{"PACKETPRN", Access::Put, "PacketQueOutput"},
                      ButtonCase{"INIT_TRANS_BUTTON", Access::Put, "PacketQueOutput"},
                      ButtonCase{"CWGETCODEBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"CODESTATUS_BUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"CAR_WASHSTATUSBUTTON", Access::Get, "CarWashRequestStatus"},
                      ButtonCase{"CANCELCODEBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"PRICEREADBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"SETPRICEBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"REPORTREADBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"COMMANDSTATUSBUTTON", Access::Get, "CarWashOperationStatus"},
                      ButtonCase{"CARWASHREADDATABUTTON", Access::Get, "CarWashDataRead"},
                      ButtonCase{"RFIDREADBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"KEYREADBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"CWCARDREADBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"TRANSREADBUTTON", Access::Put, "CarWashInformationRequest"},
                      ButtonCase{"TMStartReport", Access::Put, "TankMonitorStartReport"},
                      ButtonCase{"TMREPORTSTATUSBUTTON", Access::Get, "TankMonitorReportStatus"},
                      ButtonCase{"TMDATAREADBUTTON", Access::Get, "TankMonitorReport"},
                      ButtonCase{"PRICE_SIGN_GET_STATUS", Access::Get, "PriceSignDataRead"},
                      ButtonCase{"PRICE_SIGN_SEND_PRICES", Access::Put, "PriceSignDataSend"},
                      ButtonCase{"PRICE_SIGN_SEND_CONTROL", Access::Put, "PriceSignDataSend"},
                      ButtonCase{"EXIT_CMD", Access::Put, ""}),
    [](const auto& info) { return info.param.name; });

TEST(ControlTable, PriceSetRowUsesTheWindowState)
{
    SessionRig rig;
    OtherDevicesState state;
    const auto buttons = otherDevicesButtons(state);
    const auto it = std::find_if(buttons.begin(), buttons.end(), [](const ButtonSpec& b) { return b.name == "SETPRICEBUTTON"; });
    ASSERT_NE(it, buttons.end());
    runHandler(rig.session, it->handler);
    EXPECT_EQ(state.priceSet, 1);
    state.codeChanged("4711");
    const auto cancel = std::find_if(buttons.begin(), buttons.end(), [](const ButtonSpec& b) { return b.name == "CANCELCODEBUTTON"; });
    runHandler(rig.session, cancel->handler);
    EXPECT_EQ(rig.server.putsTo("CarWashInformationRequest").back(), lit("CancelCarWashCode\r\nCarWashCode=4711\r\n\0"));
}

TEST(Exit, HidesTheWindowAndSendsNothing)
{
    SessionRig rig;
    rig.windows.showWindow("OtherDevicesForm");
    ASSERT_TRUE(runHandler(rig.session, exitWindow));
    EXPECT_FALSE(rig.windows.isShown("OtherDevicesForm"));
    EXPECT_TRUE(rig.server.calls().empty());
}

} // namespace

TEST(CarWashCode, ACodeLongerThanAnEntryMayBeIsRefusedNotCut)
{
    SessionRig rig;
    OtherDevicesState state;
    state.codeChanged(std::string(kEntryLimit + 1, '7'));
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { cancelCode(s, state); }));
    EXPECT_TRUE(rig.server.calls().empty());
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{kCodeTooLong});
    state.codeChanged(std::string(kEntryLimit, '7'));
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { cancelCode(s, state); }));
    EXPECT_NE(rig.server.onlyPut().find(std::string(kEntryLimit, '7')), std::string::npos);
}
