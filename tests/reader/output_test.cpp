// Display, preloaded messages, printer, beeper, packet output, reader
// information and self diagnostics.
#include "press.h"

#include "support/session_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vantrel;
using namespace vantrel::test;

namespace {

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

// Buttons that put one record and show it (or a blank) in InBox.
struct PutCase {
    std::string control, member, description;
    int position;
    std::string record;
    std::string inBox; // empty: the record itself
};

class PutButtonTest : public ::testing::TestWithParam<PutCase> {};

TEST_P(PutButtonTest, SendsExactRecord)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(c.position);
    EXPECT_TRUE(press(rig.session, c.control));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Put);
    EXPECT_EQ(rig.server.calls()[0].member, c.member);
    EXPECT_EQ(rig.server.onlyPut(), c.record);
    EXPECT_EQ(rig.session.textBox(), c.description);
    EXPECT_EQ(rig.session.inBox(), c.inBox.empty() ? c.record : c.inBox);
}

TEST_P(PutButtonTest, FailedPutLeavesInBox)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(c.position);
    rig.session.setInBox("old");
    rig.server.fail(c.member, 1004, "The record cannot be read");
    EXPECT_FALSE(press(rig.session, c.control));
    EXPECT_EQ(rig.session.textBox(), c.description);
    EXPECT_EQ(rig.session.inBox(), "old");
    EXPECT_EQ(rig.prompter.messages().at(0), "Error 1004: The record cannot be read");
}

TEST_P(PutButtonTest, PositionChangesOnlyTheFirstLine)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(c.position);
    press(rig.session, c.control);
    rig.select(c.position == 31 ? 2 : 31);
    press(rig.session, c.control);
    const auto puts = rig.server.putsTo(c.member);
    ASSERT_EQ(puts.size(), 2u);
    const auto firstEnd = puts[0].find('\n');
    EXPECT_EQ(puts[0].substr(firstEnd), puts[1].substr(puts[1].find('\n')));
    EXPECT_NE(puts[0].substr(0, firstEnd), puts[1].substr(0, puts[1].find('\n')));
}

const std::string kReceipt1Body = "Message=Vantrel\r\n-----Receipt1-----\r\nLine 1 Receipt1\r\nLine 2\r\nLine 3\r\nLine 4\r\n"
                                  "Line 5\r\nLine 6\r\nLine 7\r\nLine 8\r\nLine 9\r\nLine 10\r\nLastLine !\r\n";
const std::string kReceipt2Body = "Message=Vantrel\r\n-----Receipt2-----\r\nLine 1\r\nLine 2\r\nLine 3\r\nLine 4\r\n"
                                  "Line 5\r\nLine 6\r\nLine 7\r\nLine 8\r\nLine 9\r\nLine 10\r\nLastLine !\r\n";
const std::string kFiveFeeds = "\r\n\r\n\r\n\r\n\r\n";
const std::string kElevenFeeds = kFiveFeeds + kFiveFeeds + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Records, PutButtonTest,
    ::testing::Values(
        PutCase{"Display", "DisplayData", "<Object>.DispData = (data)", 5,
                lit("ReaderPosition=05\r\nMessage=Display Msg 1\r\nLine 2 Displayed\r\n\0"), {}},
        PutCase{"Display2", "DisplayData", "<Object>.DispData = (data)", 12,
                lit("ReaderPosition=12\r\nMessage=Display Msg 2\r\nLine 2 Displayed\r\n\0"), {}},
        PutCase{"Print", "PrintOutput", "<Object>.PrintOutput = (data)", 1,
                "ReaderPosition=01\r\nJob=Receipt\r\n" + kReceipt1Body + kFiveFeeds + lit("\0"), {}},
        PutCase{"PrintReceipt2", "PrintOutput", "<Object>.PrintOutput = (data)", 30,
                "ReaderPosition=30\r\nJob=Receipt\r\n" + kReceipt2Body + kFiveFeeds + lit("\0"), {}},
        PutCase{"PrintHeader", "PrintOutput", "<Object>.PrinterOutput = (data)", 3,
                lit("ReaderPosition=03\r\nJob=Header\r\nMessage=-----Header 1-----\r\n\0"), {}},
        PutCase{"Header2", "PrintOutput", "<Object>.PrinterOutput = (data)", 3,
                lit("ReaderPosition=03\r\nJob=Header\r\nMessage=-----Header 2-----\r\n\0"), {}},
        PutCase{"PrintFooter", "PrintOutput", "<Object>.PrinterOutput = (data)", 8,
                "ReaderPosition=08\r\nJob=Footer\r\nMessage=-----Footer 1-----\r\n" + kElevenFeeds + lit("\0"), {}},
        PutCase{"Footer2", "PrintOutput", "<Object>.PrinterOutput = (data)", 8,
                "ReaderPosition=08\r\nJob=Footer\r\nMessage=-----Footer 2-----\r\n" + kElevenFeeds + lit("\0"), {}},
        PutCase{"Beeper", "BeeperControl", "<Object>.BeepData = (data)", 4, lit("ReaderPosition=04\nBeepCounts=03\n\0"), " "},
        PutCase{"PacketOut", "PacketQueOutput", "<Object>.PacketQueOutput = (data)", 6,
                lit("ReaderPosition=06\r\nPacketCount=003\r\nPacketData=C\x10\x07\r\n\0"), {}}),
    [](const auto& info) { return info.param.control; });

// Line ends of the print records: receipts 20 CR LF pairs, headers 3, footers 14.
struct FeedCase {
    std::string control;
    std::size_t pairs;
};
class PrintFeedTest : public ::testing::TestWithParam<FeedCase> {};

TEST_P(PrintFeedTest, CrLfPairsAndNulLast)
{
    SessionRig rig;
    press(rig.session, GetParam().control);
    const std::string record = rig.server.onlyPut();
    EXPECT_EQ(countOf(record, "\r\n"), GetParam().pairs);
    EXPECT_EQ(std::count(record.begin(), record.end(), '\n'), static_cast<long>(GetParam().pairs)) << "no bare LF";
    EXPECT_EQ(record.substr(record.size() - 3), lit("\r\n\0"));
    EXPECT_EQ(std::count(record.begin(), record.end(), '\0'), 1);
}

INSTANTIATE_TEST_SUITE_P(Jobs, PrintFeedTest,
                         ::testing::Values(FeedCase{"Print", 20}, FeedCase{"PrintReceipt2", 20}, FeedCase{"PrintHeader", 3},
                                           FeedCase{"Header2", 3}, FeedCase{"PrintFooter", 14}, FeedCase{"Footer2", 14}),
                         [](const auto& info) { return info.param.control; });

TEST(Beeper, NoCarriageReturnAnywhere)
{
    SessionRig rig;
    rig.select(4);
    press(rig.session, "Beeper");
    EXPECT_EQ(rig.server.onlyPut().find('\r'), std::string::npos);
}

TEST(PreLoadMSGs, NineRecordsInOrderAndTheLastShown)
{
    SessionRig rig;
    rig.select(17);
    rig.session.setInBox("before");
    EXPECT_TRUE(press(rig.session, "PreLoadMSGs"));
    EXPECT_EQ(rig.session.textBox(), "<Object>.PreloadDisplayMessage = (data)");
    const std::vector<std::string> expected = {
        lit("Section=1\r\nMessageType=Card\r\nMessageNumber=1\r\nMessage=Get it Out\r\n\0"),
        lit("Section=1\r\nMessageType=Card\r\nMessageNumber=2\r\nMessage=Putt'r In\r\n\0"),
        lit("Section=1\r\nMessageType=Card\r\nMessageNumber=3\r\nMessage=Its a Bad one\r\n\0"),
        lit("Section=0\r\nMessageType=Card\r\nMessageNumber=4\r\nMessage=Hold on a Minute\r\n\0"),
        lit("Section=1\r\nMessageType=Card\r\nMessageNumber=5\r\nMessage=Its in wrong\r\n\0"),
        lit("Section=1\r\nMessageType=Printer\r\nMessageNumber=1\r\nMessage=Doin' a Print\r\n\0"),
        lit("Section=1\r\nMessageType=Printer\r\nMessageNumber=2\r\nMessage=Its all done\r\n\0"),
        lit("Section=1\r\nMessageType=Printer\r\nMessageNumber=3\r\nMessage=Grab it and Run\r\n\0"),
        lit("Section=1\r\nMessageType=Printer\r\nMessageNumber=4\r\nMessage=Printers BAD\r\n\0"),
    };
    ASSERT_EQ(rig.server.calls().size(), 9u);
    EXPECT_EQ(rig.server.putsTo("PreloadDisplayMessage"), expected);
    for (const auto& r : expected)
        EXPECT_EQ(r.find("ReaderPosition="), std::string::npos);
    EXPECT_EQ(rig.session.inBox(), expected.back());
}

TEST(PreLoadMSGs, FailureStopsTheRest)
{
    SessionRig rig;
    rig.session.setInBox("before");
    rig.server.fail("PreloadDisplayMessage", 1001, "Simulated failure", 4);
    EXPECT_FALSE(press(rig.session, "PreLoadMSGs"));
    EXPECT_EQ(rig.server.calls().size(), 4u);
    EXPECT_EQ(rig.session.inBox(), "before");
}

TEST(ReaderInfo, PassesPositionNumberAsInt16)
{
    SessionRig rig;
    rig.select(4);
    rig.server.answer("ReaderInformation", Value::string("ReaderPosition=04\r\nBeeps=3"));
    EXPECT_TRUE(press(rig.session, "ReaderInfo"));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Get);
    EXPECT_EQ(rig.server.calls()[0].value, Value::int16(4));
    EXPECT_EQ(rig.session.textBox(), "(return data)=<Object>.ReaderInformation (passed data)");
    EXPECT_EQ(rig.session.inBox(), "ReaderPosition=04\r\nBeeps=3");
}

TEST(SystemVersions, ShowsAnswer)
{
    SessionRig rig;
    rig.server.answer("SystemVersions", Value::string("Server=1.0"));
    EXPECT_TRUE(press(rig.session, "SystemVersions"));
    EXPECT_FALSE(rig.server.calls().at(0).value.has_value());
    EXPECT_EQ(rig.session.textBox(), "(data)=<Object>.SystemVersions");
    EXPECT_EQ(rig.session.inBox(), "Server=1.0");
}

TEST(SelfTestStart, CallsAndLeavesInBox)
{
    SessionRig rig;
    rig.session.setInBox("unchanged");
    rig.server.answer("SelfDiagnosticsReportStart", Value::int16(0));
    EXPECT_TRUE(press(rig.session, "SelfTestStart"));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Call);
    EXPECT_EQ(rig.session.textBox(), "<Object>.SelfDiagnosticsReportStart");
    EXPECT_EQ(rig.session.inBox(), "unchanged");
}

TEST(SelfTestStart, ValueThatIsNoNumberIsAnError)
{
    SessionRig rig;
    rig.server.answer("SelfDiagnosticsReportStart", Value::string("started"));
    EXPECT_FALSE(press(rig.session, "SelfTestStart"));
    EXPECT_EQ(rig.prompter.messages().at(0).rfind("Error 13: ", 0), 0u);
}

struct StatusCase {
    std::string name;
    Value status;
    std::string shown;
};
class SelfTestStatusTest : public ::testing::TestWithParam<StatusCase> {};

TEST_P(SelfTestStatusTest, CompleteOnlyForZero)
{
    SessionRig rig;
    rig.server.answer("SelfDiagnosticsReportStatus", GetParam().status);
    EXPECT_TRUE(press(rig.session, "SelfTestStatus"));
    EXPECT_EQ(rig.server.calls().at(0).access, Access::Get);
    EXPECT_EQ(rig.session.textBox(), "<Object>.SelfDiagnosticsReportStatus");
    EXPECT_EQ(rig.session.inBox(), GetParam().shown);
}

const std::string kComplete = "Self Diagnositcs\r\nreport Complete";
const std::string kBusy = "Self Diagnositcs\r\nreport busy";

INSTANTIATE_TEST_SUITE_P(Statuses, SelfTestStatusTest,
                         ::testing::Values(StatusCase{"Zero", Value::int16(0), kComplete},
                                           StatusCase{"One", Value::int16(1), kBusy},
                                           StatusCase{"MinusOne", Value::int16(-1), kBusy},
                                           StatusCase{"ZeroText", Value::string("0"), kComplete},
                                           StatusCase{"QuarterRoundsToZero", Value::real(0.25), kComplete},
                                           StatusCase{"Int32Two", Value::int32(2), kBusy}),
                         [](const auto& info) { return info.param.name; });

TEST(SelfTestStatus, StatusThatIsNoIntegerIsReported)
{
    for (const Value& v : {Value::string("busy"), Value::int32(40000)}) {
        SessionRig rig;
        rig.session.setInBox("old");
        rig.server.answer("SelfDiagnosticsReportStatus", v);
        EXPECT_FALSE(press(rig.session, "SelfTestStatus"));
        EXPECT_EQ(rig.session.inBox(), "old");
        EXPECT_EQ(rig.prompter.messages().size(), 1u);
    }
}

} // namespace
