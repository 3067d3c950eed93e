// Server-side tests of the reader simulation: queues that fill and drain
// under a hand-moved clock, what each record does to the reader, packet
// records read robustly, and the reader buttons end to end.
#include "forecourt/forecourt_server.h"
#include "forecourt/reader_record_fields.h"
#include "reader/reader_controls.h"
#include "reader/reader_key_entry.h"
#include "server/conversions.h"
#include "server/records.h"
#include "session/handler_runner.h"
#include "support/session_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vantrel;
using namespace vantrel::forecourt;
using namespace vantrel::test;

namespace {

int errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const AutomationError& e) {
        return e.number();
    }
    return 0;
}

struct Server {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    ForecourtServer server{clock};

    std::string text(const char* member) { return toText(server.get(member, std::nullopt)); }
    std::int32_t clear(const char* member) { return server.call(member, std::nullopt).asInt32(); }
    void put(const char* member, const std::string& record) { server.put(member, Value::string(record)); }
    void advance(int ms) { clock->advance(Millis(ms)); }
    Reader& reader(int n) { return server.readers().reader(n); }
};

std::string counts(int card, int key, int cash, int packet, int error)
{
    return "Card=" + std::to_string(card) + "\r\nKey=" + std::to_string(key) + "\r\nCash=" + std::to_string(cash) +
           "\r\nPacket=" + std::to_string(packet) + "\r\nError=" + std::to_string(error);
}

std::string keyEntry(const std::string& position, const std::string& mode)
{
    return "ReaderPosition=" + position + "\r\nEntryMode=" + mode + lit("\r\n\0");
}

TEST(ReaderStartUp, CardSwipesAndCashWaiting)
{
    Server s;
    EXPECT_EQ(s.text("QueCountQuery"), counts(2, 0, 3, 0, 0));
    EXPECT_EQ(s.text("CardQue"), "ReaderPosition=01\r\nCardType=Visa\r\nTrack2=;4111111111111111=28121010000000000000?");
    EXPECT_EQ(s.text("CashInQue"), "ReaderPosition=02\r\nCashAmount=20.00");
    EXPECT_EQ(s.text("KeyQue"), "");
    EXPECT_EQ(s.text("PacketQueInput"), "");
    EXPECT_EQ(s.text("ReadErrorQue"), "");
}

TEST(ReaderQueues, ReadDoesNotRemoveClearDoesAndCountsWhatIsLeft)
{
    Server s;
    EXPECT_EQ(s.text("CardQue"), s.text("CardQue"));
    EXPECT_EQ(s.clear("ClearTopCardQue"), 1);
    EXPECT_EQ(s.text("CardQue").substr(0, 17), "ReaderPosition=03");
    EXPECT_EQ(s.clear("ClearTopCardQue"), 0);
    EXPECT_EQ(s.text("CardQue"), "");
    EXPECT_EQ(s.clear("ClearTopCardQue"), 0) << "clearing an empty queue is no error";
    EXPECT_EQ(s.clear("ClearTopCashQue"), 2);
    EXPECT_EQ(s.text("CashInQue"), "ReaderPosition=02\r\nCashAmount=5.00");
    EXPECT_EQ(s.clear("ClearTopCashQue"), 1);
    EXPECT_EQ(s.text("CashInQue"), "ReaderPosition=04\r\nCashAmount=10.00");
    EXPECT_EQ(s.text("QueCountQuery"), counts(0, 0, 1, 0, 0));
}

struct ModeCase {
    std::string mode, keyLine; // keyLine empty: a PIN block is expected
};
class SimulatedKeysTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(SimulatedKeysTest, KeysArriveAMomentLater)
{
    Server s;
    s.put("KeyEntryType", keyEntry("07", GetParam().mode));
    EXPECT_EQ(s.text("KeyQue"), "");
    s.advance(1999);
    EXPECT_EQ(s.text("QueCountQuery"), counts(2, 0, 3, 0, 0));
    s.advance(1);
    EXPECT_EQ(s.text("QueCountQuery"), counts(2, 1, 3, 0, 0));
    const std::string entry = s.text("KeyQue");
    const std::string head = "ReaderPosition=07\r\nEntryMode=" + GetParam().mode + "\r\n";
    ASSERT_EQ(entry.substr(0, head.size()), head);
    const std::string keys = entry.substr(head.size());
    if (GetParam().keyLine.empty()) {
        ASSERT_EQ(keys.size(), 9u + 16u) << keys;
        EXPECT_EQ(keys.substr(0, 9), "PINBlock=");
        EXPECT_TRUE(std::all_of(keys.begin() + 9, keys.end(), [](char c) { return std::isxdigit(c) && !std::islower(c); }));
    } else {
        EXPECT_EQ(keys, GetParam().keyLine);
    }
    EXPECT_EQ(s.reader(7).entryMode, GetParam().mode);
    EXPECT_EQ(s.clear("ClearTopKeyQue"), 0);
    s.advance(60000);
    EXPECT_EQ(s.text("KeyQue"), "") << "one request, one entry";
}

INSTANTIATE_TEST_SUITE_P(Modes, SimulatedKeysTest,
                         ::testing::Values(ModeCase{"NumericWithOutEcho", "KeyData=1234"},
                                           ModeCase{"NumericWithEcho", "KeyData=1234"},
                                           ModeCase{"NumericWithOutEchoNoCursor", "KeyData=1234"},
                                           ModeCase{"NumericWithEchoNoCursor", "KeyData=1234"},
                                           ModeCase{"DESEncryption", ""},
                                           ModeCase{"DESEncryptionNoCursor", ""},
                                           ModeCase{"AlphaAndNumeric", "KeyData=AB12"},
                                           ModeCase{"AlphaWithNumericOnly", "KeyData=5678"},
                                           ModeCase{"AlphaOnly", "KeyData=ABCD"},
                                           ModeCase{"AnyKey", "FunctionKey=Enter"},
                                           ModeCase{"SecurePromptNumericNoEcho.5", "MessageNumber=5\r\nKeyData=2468"},
                                           ModeCase{"SecurePromptNumericEcho.12", "MessageNumber=12\r\nKeyData=2468"}),
                         [](const auto& info) {
                             std::string name = info.param.mode;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST(SimulatedKeys, PinBlocksDifferPerEntryAndPerReader)
{
    Server s;
    s.put("KeyEntryType", keyEntry("03", "DESEncryption"));
    s.advance(2000);
    s.put("KeyEntryType", keyEntry("03", "DESEncryption"));
    s.put("KeyEntryType", keyEntry("04", "DESEncryption"));
    s.advance(2000);
    std::vector<std::string> blocks;
    for (int i = 0; i < 3; ++i) {
        const std::string entry = s.text("KeyQue");
        blocks.push_back(entry.substr(entry.find("PINBlock=")));
        s.clear("ClearTopKeyQue");
    }
    EXPECT_NE(blocks[0], blocks[1]);
    EXPECT_NE(blocks[1], blocks[2]);
    EXPECT_NE(blocks[0], blocks[2]);
    // The same run gives the same blocks.
    Server again;
    again.put("KeyEntryType", keyEntry("03", "DESEncryption"));
    again.advance(2000);
    const std::string entry = again.text("KeyQue");
    EXPECT_EQ(entry.substr(entry.find("PINBlock=")), blocks[0]);
}

TEST(SimulatedKeys, NewRequestReplacesOneNotYetAnswered)
{
    Server s;
    s.put("KeyEntryType", keyEntry("05", "AlphaOnly"));
    s.advance(1000);
    s.put("KeyEntryType", keyEntry("05", "AnyKey"));
    s.advance(1000);
    EXPECT_EQ(s.text("KeyQue"), "");
    s.advance(1000);
    EXPECT_EQ(s.text("KeyQue"), "ReaderPosition=05\r\nEntryMode=AnyKey\r\nFunctionKey=Enter");
    EXPECT_EQ(s.clear("ClearTopKeyQue"), 0);
}

TEST(SimulatedKeys, ReadersAnswerInTheirOwnTime)
{
    Server s;
    s.put("KeyEntryType", keyEntry("20", "AlphaOnly"));
    s.advance(1500);
    s.put("KeyEntryType", keyEntry("06", "NumericWithEcho"));
    s.advance(500);
    EXPECT_EQ(s.text("QueCountQuery"), counts(2, 1, 3, 0, 0));
    EXPECT_EQ(s.text("KeyQue").substr(0, 17), "ReaderPosition=20");
    s.advance(1500);
    EXPECT_EQ(s.text("KeyQue").substr(0, 17), "ReaderPosition=06") << "the lower reader's entry is on top";
    EXPECT_EQ(s.clear("ClearTopKeyQue"), 1);
    EXPECT_EQ(s.clear("ClearTopKeyQue"), 0);
}

struct RefusedCase {
    std::string name, member, record;
    int number;
};
class ReaderErrorQueueTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(ReaderErrorQueueTest, RecordTheReaderCannotActOnGoesToTheErrorQueue)
{
    Server s;
    EXPECT_EQ(errorOf([&] { s.put(GetParam().member.c_str(), GetParam().record); }), 0) << "the put itself is accepted";
    s.advance(5000);
    EXPECT_EQ(s.text("QueCountQuery"), counts(2, 0, 3, 0, 1));
    const std::string entry = s.text("ReadErrorQue");
    const std::string head = "ReaderPosition=11\r\nErrorNumber=" + std::to_string(GetParam().number) + "\r\nError=";
    EXPECT_EQ(entry.substr(0, head.size()), head) << entry;
    EXPECT_EQ(s.clear("ClearErrorQue"), 0);
    EXPECT_EQ(s.text("ReadErrorQue"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Records, ReaderErrorQueueTest,
    ::testing::Values(RefusedCase{"UnknownEntryMode", "KeyEntryType", keyEntry("11", "Telepathic"), 1202},
                      RefusedCase{"SecurePromptWithoutNumber", "KeyEntryType", keyEntry("11", "SecurePromptNumericEcho."), 1206},
                      RefusedCase{"SecurePromptWithWordNumber", "KeyEntryType", keyEntry("11", "SecurePromptNumericNoEcho.x"), 1206},
                      RefusedCase{"EmptyKeypad", "KeyPadConfiguration", lit("ReaderPosition=11\r\nKeyData=\n\0"), 1203},
                      RefusedCase{"BlankKeypad", "KeyPadConfiguration", lit("ReaderPosition=11\r\nKeyData=  \n\0"), 1203},
                      RefusedCase{"BeepCountNoNumber", "BeeperControl", lit("ReaderPosition=11\nBeepCounts=lots\n\0"), 1204},
                      RefusedCase{"EmptyPacket", "PacketQueOutput", lit("ReaderPosition=11\r\nPacketCount=000\r\nPacketData=\r\n\0"), 1205}),
    [](const auto& info) { return info.param.name; });

TEST(ReaderRecords, MalformedRecordsAreRefusedAtOnce)
{
    Server s;
    EXPECT_EQ(errorOf([&] { s.put("KeyEntryType", lit("ReaderPosition=11\r\n\0")); }), 1005);
    EXPECT_EQ(errorOf([&] { s.put("KeyEntryType", keyEntry("33", "AnyKey")); }), 1003);
    EXPECT_EQ(errorOf([&] { s.put("DisplayData", lit("ReaderPosition=01\r\n\0")); }), 1005);
    EXPECT_EQ(errorOf([&] { s.put("PacketQueOutput", lit("PacketCount=001\r\nPacketData=A\r\n\0")); }), 1005);
    EXPECT_EQ(s.text("QueCountQuery"), counts(2, 0, 3, 0, 0));
}

struct PacketCase {
    std::string name, record;
    int position;
    std::string count, data;
};
class OutputPacketTest : public ::testing::TestWithParam<PacketCase> {};

TEST_P(OutputPacketTest, DataTakenRobustly)
{
    const auto packet = readOutputPacket(GetParam().record);
    EXPECT_EQ(packet.position, GetParam().position);
    EXPECT_EQ(packet.count, GetParam().count);
    EXPECT_EQ(packet.data, GetParam().data);
}

const std::string kXml = "<DisplayCommand><X SequenceNumber=\"1\"/></DisplayCommand>";
const std::string kNul(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Records, OutputPacketTest,
    ::testing::Values(
        PacketCase{"Computed", rec::packetRecord("05", "C\x10\x07"), 5, "003", "C\x10\x07"},
        PacketCase{"BlanksAroundEquals", "ReaderPosition = 03\r\nPacketCount = 99\r\nPacketData=" + kXml + "\r\n" + kNul, 3,
                   "99", kXml},
        PacketCase{"InnerLineBreaks", "ReaderPosition=12\r\nPacketCount=308\r\nPacketData=<A>\r\n<B/>\r\n</A>\r\n" + kNul, 12,
                   "308", "<A>\r\n<B/>\r\n</A>"},
        PacketCase{"NoDataKey", "ReaderPosition = 09\r\nPacketCount = 1908\r\n" + kXml + "\r\n" + kNul, 9, "1908", kXml},
        PacketCase{"FiveDigitCount", rec::packetRecord("32", kXml, 5), 32, rec::zeroFilled(kXml.size(), 5), kXml},
        PacketCase{"NoFinalLineEnd", "ReaderPosition=01\r\nPacketCount=00055\r\nPacketData=" + kXml, 1, "00055", kXml},
        PacketCase{"NulRightAfterData", "ReaderPosition=01\r\nPacketCount=113\r\nPacketData=" + kXml + kNul, 1, "113", kXml},
        PacketCase{"LoneLfKeptInData", "ReaderPosition=02\r\nPacketCount=002\r\nPacketData=A\n\r\n" + kNul, 2, "002", "A\n"},
        PacketCase{"EqualsAndCrLfBytesInData", "ReaderPosition=02\r\nPacketCount=005\r\nPacketData=a=\r\nb\r\n" + kNul, 2,
                   "005", "a=\r\nb"},
        PacketCase{"NoCountLine", "ReaderPosition=04\r\nPacketData=Z\r\n" + kNul, 4, "", "Z"}),
    [](const auto& info) { return info.param.name; });

TEST(ReaderPackets, OtherPacketsAreEchoedAsAnOutputPacketRecord)
{
    Server s;
    s.put("PacketQueOutput", rec::packetRecord("08", "C\x10\x07"));
    EXPECT_EQ(s.text("QueCountQuery"), counts(2, 0, 3, 1, 0));
    EXPECT_EQ(s.text("PacketQueInput"), rec::packetRecord("08", "C\x10\x07"));
    EXPECT_EQ(s.clear("ClearPacketEntry"), 0);
    EXPECT_EQ(s.text("PacketQueInput"), "");
}

TEST(ReaderPackets, LongAnswerKeepsAThreeDigitCount)
{
    Server s;
    s.put("PacketQueOutput", rec::packetRecord("08", std::string(1500, 'x')));
    const std::string answer = s.text("PacketQueInput");
    EXPECT_EQ(answer.substr(19, 15), "PacketCount=999");
    EXPECT_EQ(answer, rec::packetRecord("08", std::string(999, 'x')));
}

TEST(ReaderPackets, XmlPacketsGoToTheTerminal)
{
    Server s;
    s.put("PacketQueOutput", "ReaderPosition = 06\r\nPacketCount = 99\r\nPacketData=" + kXml + "\r\n" + kNul);
    EXPECT_EQ(s.reader(6).lastXml, kXml);
    for (const auto& entry : s.reader(6).packetQueue)
        EXPECT_NE(entry, rec::packetRecord("06", kXml)) << "an XML packet is answered, not echoed";
}

TEST(ReaderDisplay, ShowsTheMessageWithItsContinuationLine)
{
    Server s;
    s.put("DisplayData", lit("ReaderPosition=05\r\nMessage=Display Msg 1\r\nLine 2 Displayed\r\n\0"));
    EXPECT_EQ(s.reader(5).screen.message, "Display Msg 1\r\nLine 2 Displayed");
    s.put("DisplayData", "ReaderPosition=05\r\nMessage=\x1bG\x1b\x1a" "000 =x\r\n");
    EXPECT_EQ(s.reader(5).screen.message, "\x1bG\x1b\x1a" "000 =x");
}

TEST(ReaderPrinter, PaperKeepsLineFeedsAndBarCodes)
{
    Server s;
    s.put("PrintOutput", lit("ReaderPosition=03\r\nJob=Header\r\nMessage=-----Header 1-----\r\n\0"));
    std::string footer = "ReaderPosition=03\r\nJob=Footer\r\nMessage=-----Footer 1-----";
    for (int i = 0; i < 12; ++i)
        footer += "\r\n";
    s.put("PrintOutput", footer + kNul);
    s.put("PrintOutput", "ReaderPosition=03\r\nJob=Receipt\r\nMessage=Vantrel\r\nLine 4\r\n\x1b" "B0202354000006\x03\r\nTestLine 5\r\n" + kNul);
    const auto& items = s.reader(3).paper.items;
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].job, "Header");
    EXPECT_EQ(items[0].text, "-----Header 1-----\n");
    EXPECT_EQ(items[1].job, "Footer");
    EXPECT_EQ(items[1].text, "-----Footer 1-----" + std::string(12, '\n'));
    EXPECT_EQ(items[2].text, "Vantrel\nLine 4\n");
    EXPECT_EQ(items[3].kind, PrintedItem::Kind::BarCode);
    EXPECT_EQ(items[3].text, "0202354000006");
    EXPECT_EQ(items[4].text, "\nTestLine 5\n");
}

TEST(ReaderPreload, PromptsKeptBySectionTypeAndNumber)
{
    Server s;
    s.put("PreloadDisplayMessage", lit("Section=0\r\nMessageType=Card\r\nMessageNumber=4\r\nMessage=Hold on a Minute\r\n\0"));
    EXPECT_EQ(s.server.readers().preloaded(0, "Card", 4), "Hold on a Minute");
    EXPECT_EQ(s.server.readers().preloaded(1, "Card", 4), std::nullopt);
    EXPECT_EQ(errorOf([&] {
                  s.put("PreloadDisplayMessage", lit("Section=x\r\nMessageType=Card\r\nMessageNumber=4\r\nMessage=M\r\n\0"));
              }),
              1207);
    EXPECT_EQ(errorOf([&] {
                  s.put("PreloadDisplayMessage", lit("Section=1\r\nMessageType=Pump\r\nMessageNumber=4\r\nMessage=M\r\n\0"));
              }),
              1207);
    EXPECT_EQ(s.server.readers().preloadedCount(), 1u);
}

TEST(ReaderDiagnostics, BusyForAFewSecondsThenComplete)
{
    Server s;
    auto status = [&] { return s.server.get("SelfDiagnosticsReportStatus", std::nullopt).asInt16(); };
    EXPECT_EQ(status(), -1);
    EXPECT_EQ(toInt16(s.server.call("SelfDiagnosticsReportStart", std::nullopt)), 0);
    EXPECT_EQ(status(), 1);
    s.advance(2000);
    s.server.call("SelfDiagnosticsReportStart", std::nullopt); // still running: no restart
    s.advance(999);
    EXPECT_EQ(status(), 1);
    s.advance(1);
    EXPECT_EQ(status(), 0);
    EXPECT_NE(s.text("SystemVersions").find("SelfDiagnostics=Complete\r\nSelfDiagnosticsReports=1"), std::string::npos);
    s.server.call("SelfDiagnosticsReportStart", std::nullopt);
    EXPECT_EQ(status(), 1);
}

// The reader buttons pressed against the embedded server.
bool press(Session& session, const std::string& name)
{
    for (const auto& spec : reader::mainWindowButtons())
        if (spec.name == name)
            return runHandler(session, spec.handler);
    for (const auto& spec : reader::keyEntryButtons())
        if (spec.name == name)
            return runHandler(session, spec.handler);
    ADD_FAILURE() << name;
    return false;
}

TEST(ReaderButtonsEndToEnd, KeyEntryThenKeyQueueThenClear)
{
    ForecourtRig rig;
    rig.select(5);
    EXPECT_TRUE(press(rig.session, "NUM_ECHO_BUTTON"));
    EXPECT_TRUE(press(rig.session, "KeyQue"));
    EXPECT_EQ(rig.session.inBox(), "");
    rig.advance(2000);
    EXPECT_TRUE(press(rig.session, "KeyQue"));
    EXPECT_EQ(rig.session.inBox(), "ReaderPosition=05\r\nEntryMode=NumericWithEcho\r\nKeyData=1234");
    EXPECT_TRUE(press(rig.session, "ClearKeyEntry"));
    EXPECT_EQ(rig.session.inBox(), " ");
    EXPECT_TRUE(press(rig.session, "QueCounts"));
    EXPECT_EQ(rig.session.inBox(), counts(2, 0, 3, 0, 0));
}

TEST(ReaderButtonsEndToEnd, PacketOutThenPacketInputDecoded)
{
    ForecourtRig rig;
    rig.select(6);
    EXPECT_TRUE(press(rig.session, "PacketOut"));
    EXPECT_TRUE(press(rig.session, "PacketQue"));
    EXPECT_EQ(rig.session.inBox(), "ReaderPosition=06\r\nPacketCount=003\r\nPacketData= C 10 7");
    EXPECT_TRUE(press(rig.session, "ClearPacketEntry"));
    EXPECT_TRUE(press(rig.session, "PacketQue"));
    EXPECT_EQ(rig.session.inBox(), "");
}

TEST(ReaderButtonsEndToEnd, ReaderInformationShowsTheReadersState)
{
    ForecourtRig rig;
    rig.select(4);
    for (const char* b : {"Beeper", "Beeper", "Display2", "PrintHeader", "Print", "PrintFooter"})
        EXPECT_TRUE(press(rig.session, b)) << b;
    rig.prompter.queueReply(true);
    rig.prompter.queueAnswer("ABC");
    EXPECT_TRUE(press(rig.session, "KeyPad"));
    EXPECT_TRUE(press(rig.session, "ALPHA_ONLY_BUTTON"));
    EXPECT_TRUE(press(rig.session, "ReaderInfo"));
    const std::string info = rig.session.inBox();
    EXPECT_EQ(info.substr(0, 19), "ReaderPosition=04\r\n");
    for (const char* part : {"\r\nKeyPad=ABC\r\n", "\r\nKeyEntryMode=AlphaOnly\r\n", "\r\nBeeps=6\r\n", "\r\nPrintedItems=3\r\n",
                             "\r\nPaperFeeds=31\r\n", "\r\nChipReader=Disabled\r\n"})
        EXPECT_NE(info.find(part), std::string::npos) << part << " in " << info;
    EXPECT_EQ(rig.server.readers().reader(4).screen.message, "Display Msg 2\r\nLine 2 Displayed");
}

TEST(ReaderButtonsEndToEnd, StressTicksConfigureReaders1And17)
{
    ForecourtRig rig;
    rig.select(9);
    EXPECT_TRUE(press(rig.session, "STRESS_BUTTON"));
    EXPECT_TRUE(runHandler(rig.session, reader::stressTick));
    EXPECT_EQ(rig.server.readers().reader(1).keypad, "123@R456A@789NYL0EHCe");
    EXPECT_EQ(rig.server.readers().reader(17).keypad, "123@R456A@789NYL0EHCe");
    EXPECT_EQ(rig.server.readers().reader(9).keypad, "");
}

TEST(ReaderButtonsEndToEnd, PreloadsAndSelfTest)
{
    ForecourtRig rig;
    EXPECT_TRUE(press(rig.session, "PreLoadMSGs"));
    EXPECT_EQ(rig.server.readers().preloadedCount(), 9u);
    EXPECT_EQ(rig.server.readers().preloaded(0, "Card", 4), "Hold on a Minute");
    EXPECT_EQ(rig.server.readers().preloaded(1, "Printer", 4), "Printers BAD");
    EXPECT_TRUE(press(rig.session, "SelfTestStart"));
    EXPECT_TRUE(press(rig.session, "SelfTestStatus"));
    EXPECT_EQ(rig.session.inBox(), "Self Diagnositcs\r\nreport busy");
    rig.advance(3000);
    EXPECT_TRUE(press(rig.session, "SelfTestStatus"));
    EXPECT_EQ(rig.session.inBox(), "Self Diagnositcs\r\nreport Complete");
}

TEST(ReaderButtonsEndToEnd, ErrorQueueReadAndCleared)
{
    ForecourtRig rig;
    rig.select(11);
    rig.prompter.queueAnswer("2");
    rig.prompter.queueAnswer("");
    EXPECT_TRUE(press(rig.session, "SECURE_PROMPT"));
    EXPECT_TRUE(press(rig.session, "ReadErrorQue"));
    EXPECT_EQ(rig.session.inBox().substr(0, 36), "ReaderPosition=11\r\nErrorNumber=1206\r");
    EXPECT_TRUE(press(rig.session, "ClearErrorQue"));
    EXPECT_EQ(rig.session.inBox(), " ");
    EXPECT_TRUE(press(rig.session, "ReadErrorQue"));
    EXPECT_EQ(rig.session.inBox(), "");
}

} // namespace
