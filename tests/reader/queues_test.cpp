// The twelve queue buttons and the packet input display.
#include "press.h"

#include "reader/reader_handlers.h"
#include "support/session_rig.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::test;

namespace {

struct ReadCase {
    std::string control, member, description;
    Value answer;
    std::string shown;
};

class ReadButtonTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadButtonTest, WritesDescriptionThenShowsAnswer)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(7);
    rig.server.answer(c.member, c.answer);
    EXPECT_TRUE(press(rig.session, c.control));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Get);
    EXPECT_EQ(rig.server.calls()[0].member, c.member);
    EXPECT_FALSE(rig.server.calls()[0].value.has_value()) << "queue reads take no argument";
    EXPECT_EQ(rig.session.textBox(), c.description);
    EXPECT_EQ(rig.session.inBox(), c.shown);
}

TEST_P(ReadButtonTest, FailedReadLeavesInBox)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.session.setInBox("previous");
    rig.server.fail(c.member, 1201, "refused");
    press(rig.session, c.control);
    EXPECT_EQ(rig.session.textBox(), c.description);
    EXPECT_EQ(rig.session.inBox(), "previous");
    ASSERT_EQ(rig.prompter.messages().size(), 1u);
    // Only ReadErrorQue traps its own failure and says just "Error".
    EXPECT_EQ(rig.prompter.messages()[0], c.control == "ReadErrorQue" ? "Error" : "Error 1201: refused");
}

INSTANTIATE_TEST_SUITE_P(
    Queues, ReadButtonTest,
    ::testing::Values(
        ReadCase{"CardQue", "CardQue", "<data>=<Object>.CardQue", Value::string(lit("ReaderPosition=01\r\nTrack2=;41?")),
                 lit("ReaderPosition=01\r\nTrack2=;41?")},
        ReadCase{"KeyQue", "KeyQue", "<data>=<Object>.KeyQue", Value::string("KeyData=1234"), "KeyData=1234"},
        ReadCase{"CashIn", "CashInQue", "(data)=<Object>.CashInQue", Value::int32(20), "20"},
        ReadCase{"ReadErrorQue", "ReadErrorQue", "(data)=<Object>.ReadErrorQue", Value::string(lit("E\0")), lit("E\0")},
        ReadCase{"QueCounts", "QueCountQuery", "<data>=<Object>.QueCountQuery", Value::real(2.5), "2.5"}),
    [](const auto& info) { return info.param.control; });

TEST(ReadErrorQue, TrappedFailureIsNoFailureOfTheRun)
{
    SessionRig rig;
    rig.server.fail("ReadErrorQue");
    EXPECT_TRUE(press(rig.session, "ReadErrorQue"));
    ASSERT_EQ(rig.prompter.shown().size(), 1u);
    EXPECT_EQ(rig.prompter.shown()[0].title, "VantrelTest");
    EXPECT_EQ(rig.prompter.shown()[0].text, "Error");
}

// The main window closing while the call waits is no failure of the call:
// the press unwinds without the "Error" the handler shows for one.
TEST(ReadErrorQue, AClosingWindowPassesItsTrap)
{
    SessionRig rig;
    rig.server.closeDuring("ReadErrorQue");
    EXPECT_FALSE(press(rig.session, "ReadErrorQue"));
    EXPECT_TRUE(rig.prompter.shown().empty());
}

struct ClearCase {
    std::string control, member;
};

class ClearButtonTest : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ClearButtonTest, CallsFirstThenDescriptionThenOneBlank)
{
    const auto& c = GetParam();
    for (const Value& answer : {Value::int32(3), Value::int16(0), Value::string(" 7 "), Value()}) {
        SessionRig rig;
        rig.session.setInBox("queue text");
        rig.server.answer(c.member, answer);
        EXPECT_TRUE(press(rig.session, c.control));
        ASSERT_EQ(rig.server.calls().size(), 1u);
        EXPECT_EQ(rig.server.calls()[0].access, Access::Call);
        EXPECT_EQ(rig.server.calls()[0].member, c.member);
        EXPECT_EQ(rig.session.textBox(), "<Object>." + c.member);
        EXPECT_EQ(rig.session.inBox(), " ");
    }
}

TEST_P(ClearButtonTest, FailingCallComesBeforeTheDescription)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.session.setTextBox("before");
    rig.session.setInBox("kept");
    rig.server.fail(c.member);
    EXPECT_FALSE(press(rig.session, c.control));
    EXPECT_EQ(rig.session.textBox(), "before");
    EXPECT_EQ(rig.session.inBox(), "kept");
}

TEST_P(ClearButtonTest, AnswerThatIsNoNumberIsAnError)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.session.setTextBox("before");
    rig.session.setInBox("kept");
    rig.server.answer(c.member, Value::string("none left"));
    EXPECT_FALSE(press(rig.session, c.control));
    EXPECT_EQ(rig.prompter.messages().at(0).rfind("Error 13: ", 0), 0u);
    EXPECT_EQ(rig.session.textBox(), "before");
    EXPECT_EQ(rig.session.inBox(), "kept");
}

INSTANTIATE_TEST_SUITE_P(Queues, ClearButtonTest,
                         ::testing::Values(ClearCase{"ClearCardEntry", "ClearTopCardQue"},
                                           ClearCase{"ClearCashEntry", "ClearTopCashQue"},
                                           ClearCase{"ClearKeyEntry", "ClearTopKeyQue"},
                                           ClearCase{"ClearErrorQue", "ClearErrorQue"},
                                           ClearCase{"ClearPacketEntry", "ClearPacketEntry"}),
                         [](const auto& info) { return info.param.control; });

TEST(CashOut, OnlyTheDescriptionChanges)
{
    SessionRig rig;
    rig.session.setInBox("as it was");
    EXPECT_TRUE(press(rig.session, "CashOut"));
    EXPECT_EQ(rig.session.textBox(), "<Object>.CashOutQue = (data)");
    EXPECT_EQ(rig.session.inBox(), "as it was");
    EXPECT_TRUE(rig.server.calls().empty());
}

// The 47-character header of a packet answer with the given count field.
std::string header(const std::string& count) { return "ReaderPosition=05\r\nPacketCount=" + count + "\r\nPacketData="; }

struct PacketCase {
    std::string name;
    std::string answer;
    std::string shown;
};

class PacketDisplayTest : public ::testing::TestWithParam<PacketCase> {};

TEST_P(PacketDisplayTest, DecodesByPosition)
{
    const auto& c = GetParam();
    ASSERT_EQ(header("003").size(), 47u);
    SessionRig rig;
    rig.server.answer("PacketQueInput", Value::string(c.answer));
    EXPECT_TRUE(press(rig.session, "PacketQue"));
    EXPECT_EQ(rig.session.textBox(), "(data)=<Object>.PacketQueInput");
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].member, "PacketQueInput");
    EXPECT_EQ(rig.session.inBox(), c.shown);
    EXPECT_EQ(reader::decodePacketInput(c.answer), c.shown);
}

const std::string k17 = "ABCDEFGHIJKLMNOPQ";

INSTANTIATE_TEST_SUITE_P(
    Answers, PacketDisplayTest,
    ::testing::Values(
        PacketCase{"LetterAndControlBytes", header("003") + lit("C\x10\x07\r\n\0"), header("003") + " C 10 7"},
        PacketCase{"CountZeroShowsHeaderOnly", header("000") + "ABC\r\n", header("000")},
        PacketCase{"Count17", header("017") + k17 + "\r\n",
                   header("017") + " A B C D E F G H I J K L M N O P Q"},
        PacketCase{"BlankDelAndEdgesOfPrintable", header("005") + "\x20\x7f!~\xff", header("005") + " 20 7F ! ~ FF"},
        PacketCase{"NulAndCarriageReturn", header("002") + lit("\0\r"), header("002") + " 0 D"},
        PacketCase{"ShorterThanHeaderShownWhole", header("003").substr(0, 40), header("003").substr(0, 40)},
        PacketCase{"ShorterThanCountShownWhole", "ReaderPosition=05\r\nPacket", "ReaderPosition=05\r\nPacket"},
        PacketCase{"CountCutShort", header("003").substr(0, 32), header("003").substr(0, 32)},
        PacketCase{"Empty", "", ""},
        PacketCase{"CountLargerThanDataStopsAtTheEnd", header("010") + "AB", header("010") + " A B"},
        PacketCase{"CountLargerThanDataDecodesTrailer", header("099") + lit("AB\r\n\0"), header("099") + " A B D A 0"},
        PacketCase{"FractionDecodesWhatIsPresent", header("1.5") + "XYZ", header("1.5") + " X Y Z"},
        PacketCase{"LettersReadAsZero", header("abc") + "XYZ", header("abc")},
        PacketCase{"ExponentTooLarge", header("1E9") + "XY", header("1E9") + " X Y"},
        PacketCase{"ExponentSatisfiable", header("1E1") + "0123456789!!", header("1E1") + " 0 1 2 3 4 5 6 7 8 9"},
        PacketCase{"LeadingBlank", header(" 02") + "XYZ", header(" 02") + " X Y"},
        PacketCase{"NegativeDecodesWhatIsPresent", header("-01") + "XY", header("-01") + " X Y"},
        PacketCase{"DataBeyondCountIgnored", header("001") + "XYZ", header("001") + " X"}),
    [](const auto& info) { return info.param.name; });

TEST(PacketDisplay, ServerFailureLeavesInBox)
{
    SessionRig rig;
    rig.session.setInBox("old");
    rig.server.fail("PacketQueInput");
    EXPECT_FALSE(press(rig.session, "PacketQue"));
    EXPECT_EQ(rig.session.inBox(), "old");
    EXPECT_EQ(rig.session.textBox(), "(data)=<Object>.PacketQueInput");
}

} // namespace
