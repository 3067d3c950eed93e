// The keypad configuration, the stress test and the key entry buttons.
#include "press.h"

#include "support/session_rig.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::test;

namespace {

const std::string kCanned09 = lit("ReaderPosition=09\r\nKeyData=123@R456A@789NYL0EHCe\n\0");

TEST(KeyPad, NoSendsTheCannedRecordWithoutInput)
{
    SessionRig rig;
    rig.select(9);
    rig.prompter.queueReply(false);
    EXPECT_TRUE(press(rig.session, "KeyPad"));
    ASSERT_EQ(rig.prompter.shown().size(), 1u);
    const auto& q = rig.prompter.shown()[0];
    EXPECT_EQ(q.kind, QueuedPrompter::Shown::Kind::Question);
    EXPECT_EQ(q.text, "Do you want to set your on config?");
    EXPECT_EQ(q.title, "Key Pad Configuration Select");
    EXPECT_EQ(rig.server.onlyPut(), kCanned09);
    EXPECT_EQ(rig.server.calls().at(0).member, "KeyPadConfiguration");
    EXPECT_EQ(rig.session.textBox(), "<Object>.KeyPadData (data)");
    EXPECT_EQ(rig.session.inBox(), kCanned09);
}

TEST(KeyPad, YesSendsTypedData)
{
    SessionRig rig;
    rig.select(9);
    rig.prompter.queueReply(true);
    rig.prompter.queueAnswer("ABC");
    EXPECT_TRUE(press(rig.session, "KeyPad"));
    ASSERT_EQ(rig.prompter.shown().size(), 2u);
    EXPECT_EQ(rig.prompter.shown()[1].text, "Enter Keypad Config Data");
    EXPECT_EQ(rig.prompter.shown()[1].title, "Keypad Configuration");
    EXPECT_EQ(rig.server.onlyPut(), lit("ReaderPosition=09\r\nKeyData=ABC\n\0"));
    EXPECT_EQ(rig.session.textBox(), "<Object>.KeyPadData (data)");
    EXPECT_EQ(rig.session.inBox(), lit("ReaderPosition=09\r\nKeyData=ABC\n\0"));
}

TEST(KeyPad, YesThenCancelSendsNothing)
{
    SessionRig rig;
    rig.session.setInBox("kept");
    rig.prompter.queueReply(true);
    rig.prompter.queueCancel();
    EXPECT_TRUE(press(rig.session, "KeyPad"));
    EXPECT_TRUE(rig.server.calls().empty());
    ASSERT_EQ(rig.prompter.messages().size(), 1u);
    EXPECT_EQ(rig.prompter.messages()[0], "You entered no data or pressed cancel");
    EXPECT_EQ(rig.prompter.shown().back().title, "VantrelTest");
    EXPECT_EQ(rig.session.textBox(), "<Object>.KeyPadConfiguration = (data)");
    EXPECT_EQ(rig.session.inBox(), "kept");
}

TEST(KeyPad, FailedPutLeavesInBox)
{
    SessionRig rig;
    rig.session.setInBox("kept");
    rig.prompter.queueReply(false);
    rig.server.fail("KeyPadConfiguration");
    EXPECT_FALSE(press(rig.session, "KeyPad"));
    EXPECT_EQ(rig.session.inBox(), "kept");
    EXPECT_EQ(rig.session.textBox(), "<Object>.KeyPadData (data)");
}

const std::vector<std::string> kStressPair = {lit("ReaderPosition=01\r\nKeyData=123@R456A@789NYL0EHCe\n\0"),
                                              lit("ReaderPosition=17\r\nKeyData=123@R456A@789NYL0EHCe\n\0")};

class StressTest : public ::testing::TestWithParam<int> {};

TEST_P(StressTest, SendsTo01And17WhateverThePosition)
{
    SessionRig rig;
    rig.select(GetParam());
    rig.session.setTextBox("text");
    rig.session.setInBox("in");
    EXPECT_TRUE(press(rig.session, "STRESS_BUTTON"));
    EXPECT_EQ(rig.session.stressActive, 1);
    EXPECT_EQ(rig.windows.colour("VantrelTest", "STRESS_BUTTON"), colours::Green);
    EXPECT_TRUE(rig.server.calls().empty()) << "the button itself sends nothing";
    EXPECT_TRUE(runHandler(rig.session, reader::stressTick));
    EXPECT_TRUE(runHandler(rig.session, reader::stressTick));
    EXPECT_EQ(rig.server.putsTo("KeyPadConfiguration"),
              (std::vector<std::string>{kStressPair[0], kStressPair[1], kStressPair[0], kStressPair[1]}));
    EXPECT_EQ(rig.session.textBox(), "text");
    EXPECT_EQ(rig.session.inBox(), "in");
}
INSTANTIATE_TEST_SUITE_P(Positions, StressTest, ::testing::Values(1, 9, 17, 32),
                         [](const auto& info) { return "Position" + std::to_string(info.param); });

TEST(Stress, OffTickDoesNothing)
{
    SessionRig rig;
    EXPECT_TRUE(runHandler(rig.session, reader::stressTick));
    rig.session.stressActive = 2; // only the value 1 makes the timer act
    EXPECT_TRUE(runHandler(rig.session, reader::stressTick));
    EXPECT_TRUE(rig.server.calls().empty());
}

TEST(Stress, SecondPressStopsFromTheNextTick)
{
    SessionRig rig;
    press(rig.session, "STRESS_BUTTON");
    runHandler(rig.session, reader::stressTick);
    press(rig.session, "STRESS_BUTTON");
    EXPECT_EQ(rig.session.stressActive, 0);
    EXPECT_EQ(rig.windows.colour("VantrelTest", "STRESS_BUTTON"), colours::Magenta);
    runHandler(rig.session, reader::stressTick);
    runHandler(rig.session, reader::stressTick);
    EXPECT_EQ(rig.server.calls().size(), 2u);
}

struct StressFailure {
    std::string name;
    int failingCall; // 1: the first record of the first tick, 2: its second record
    std::size_t sent;
};
class StressFailureTest : public ::testing::TestWithParam<StressFailure> {};

TEST_P(StressFailureTest, SwitchesOffAndReportsOnce)
{
    SessionRig rig;
    press(rig.session, "STRESS_BUTTON");
    rig.server.fail("KeyPadConfiguration", 1003, "Position outside 01 to 32", GetParam().failingCall);
    EXPECT_FALSE(runHandler(rig.session, reader::stressTick));
    EXPECT_EQ(rig.session.stressActive, 0);
    EXPECT_FALSE(rig.session.stressTickRunning);
    EXPECT_EQ(rig.windows.colour("VantrelTest", "STRESS_BUTTON"), colours::Magenta);
    EXPECT_EQ(rig.server.calls().size(), GetParam().sent);
    for (int tick = 0; tick < 3; ++tick)
        EXPECT_TRUE(runHandler(rig.session, reader::stressTick));
    EXPECT_EQ(rig.server.calls().size(), GetParam().sent) << "no tick sends after the failure";
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{"Error 1003: Position outside 01 to 32"});
    // Pressing the button again starts the test anew.
    press(rig.session, "STRESS_BUTTON");
    EXPECT_EQ(rig.session.stressActive, 1);
}
INSTANTIATE_TEST_SUITE_P(Failures, StressFailureTest,
                         ::testing::Values(StressFailure{"FirstRecord", 1, 1}, StressFailure{"SecondRecord", 2, 2}),
                         [](const auto& info) { return info.param.name; });

// A server whose put runs another stress tick, as a timer firing while a
// call is under way would.
class ReentrantServer : public RecordingServer {
public:
    Session* session = nullptr;
    void put(std::string_view member, const Value& value) override
    {
        RecordingServer::put(member, value);
        if (session)
            reader::stressTick(*session);
    }
};

TEST(Stress, NoTickStartsInsideAnother)
{
    ReentrantServer server;
    QueuedPrompter prompter;
    RecordingWindowHost windows;
    ImmediateWaiter waiter;
    Session session(server, prompter, windows, waiter);
    server.session = &session;
    session.stressActive = 1;
    EXPECT_TRUE(runHandler(session, reader::stressTick));
    EXPECT_EQ(server.calls().size(), 2u);
    EXPECT_FALSE(session.stressTickRunning);
    EXPECT_TRUE(runHandler(session, reader::stressTick));
    EXPECT_EQ(server.calls().size(), 4u);
}

TEST(Stress, TickRunsWhileAnotherButtonsPromptIsOpen)
{
    // A prompt of KeyPad is open: the tick still sends.
    SessionRig rig;
    struct TickingPrompter : QueuedPrompter {
        Session* session = nullptr;
        std::string input(std::string_view prompt, std::string_view title) override
        {
            runHandler(*session, reader::stressTick);
            return QueuedPrompter::input(prompt, title);
        }
    };
    TickingPrompter prompter;
    Session session(rig.server, prompter, rig.windows, rig.waiter);
    prompter.session = &session;
    session.stressActive = 1;
    prompter.queueReply(true);
    prompter.queueAnswer("XY");
    EXPECT_TRUE(press(session, "KeyPad"));
    const auto puts = rig.server.putsTo("KeyPadConfiguration");
    ASSERT_EQ(puts.size(), 3u);
    EXPECT_EQ(puts[0], kStressPair[0]);
    EXPECT_EQ(puts[1], kStressPair[1]);
    EXPECT_EQ(puts[2], lit("ReaderPosition=01\r\nKeyData=XY\n\0"));
}

struct EntryCase {
    std::string control, mode;
};
class EntryModeTest : public ::testing::TestWithParam<EntryCase> {};

TEST_P(EntryModeTest, SendsRecordShowsItAndHides)
{
    SessionRig rig;
    rig.select(14);
    rig.windows.showWindow(reader::kKeyEntryForm);
    EXPECT_TRUE(pressKeyEntry(rig.session, GetParam().control));
    const std::string record = "ReaderPosition=14\r\nEntryMode=" + GetParam().mode + lit("\r\n\0");
    EXPECT_EQ(rig.server.onlyPut(), record);
    EXPECT_EQ(rig.server.calls().at(0).member, "KeyEntryType");
    EXPECT_EQ(rig.session.textBox(), "<Object>.KeyEntryData  = (data)");
    EXPECT_EQ(rig.session.inBox(), record);
    EXPECT_FALSE(rig.windows.isShown(reader::kKeyEntryForm));
}

TEST_P(EntryModeTest, FailureEndsBeforeInBoxAndHiding)
{
    SessionRig rig;
    rig.windows.showWindow(reader::kKeyEntryForm);
    rig.session.setInBox("old");
    rig.server.fail("KeyEntryType");
    EXPECT_FALSE(pressKeyEntry(rig.session, GetParam().control));
    EXPECT_EQ(rig.session.inBox(), "old");
    EXPECT_EQ(rig.session.textBox(), "<Object>.KeyEntryData  = (data)");
    EXPECT_TRUE(rig.windows.isShown(reader::kKeyEntryForm));
}

INSTANTIATE_TEST_SUITE_P(Buttons, EntryModeTest,
                         ::testing::Values(EntryCase{"NUM_NO_ECHO_BUTTON", "NumericWithOutEcho"},
                                           EntryCase{"NUM_ECHO_BUTTON", "NumericWithEcho"},
                                           EntryCase{"NUM_NO_ECHO_N_CUR_BUTTON", "NumericWithOutEchoNoCursor"},
                                           EntryCase{"NUM_ECHO_N_CUR_BUTTON", "NumericWithEchoNoCursor"},
                                           EntryCase{"DES_BUTTON", "DESEncryption"},
                                           EntryCase{"DES_NO_CUR_BUTTON", "DESEncryptionNoCursor"},
                                           EntryCase{"ALPHA_AND_NUM_BUTTON", "AlphaAndNumeric"},
                                           EntryCase{"ALPHA_NUM_ONLY_BUTTON", "AlphaWithNumericOnly"},
                                           EntryCase{"ALPHA_ONLY_BUTTON", "AlphaOnly"},
                                           EntryCase{"FUNC_KEY", "AnyKey"}),
                         [](const auto& info) { return info.param.control; });

struct SecureCase {
    std::string name;
    std::optional<std::string> type;   // nullopt: Cancel
    std::optional<std::string> number; // nullopt: the second box is not expected (or Cancel when type is 1 or 2)
    std::string secondLine;            // empty: nothing sent
};
class SecurePromptTest : public ::testing::TestWithParam<SecureCase> {};

TEST_P(SecurePromptTest, SendsOnlyForExactTypes)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(2);
    rig.session.setTextBox("before");
    rig.session.setInBox("before");
    rig.windows.showWindow(reader::kKeyEntryForm);
    c.type ? rig.prompter.queueAnswer(*c.type) : rig.prompter.queueCancel();
    if (!c.secondLine.empty())
        c.number ? rig.prompter.queueAnswer(*c.number) : rig.prompter.queueCancel();
    EXPECT_TRUE(pressKeyEntry(rig.session, "SECURE_PROMPT"));
    EXPECT_FALSE(rig.prompter.hasPending());
    EXPECT_TRUE(rig.prompter.messages().empty()) << "no message is shown";
    const auto& shown = rig.prompter.shown();
    ASSERT_GE(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Enter Message type (1 = no echo 2 = echo)");
    EXPECT_EQ(shown[0].title, "Secure Prompt Type");
    EXPECT_FALSE(rig.windows.isShown(reader::kKeyEntryForm));
    if (c.secondLine.empty()) {
        EXPECT_EQ(shown.size(), 1u);
        EXPECT_TRUE(rig.server.calls().empty());
        EXPECT_EQ(rig.session.textBox(), "before");
        EXPECT_EQ(rig.session.inBox(), "before");
        return;
    }
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, "Enter Message number");
    EXPECT_EQ(shown[1].title, "Secure Prompt Message Number");
    const std::string record = "ReaderPosition=02\r\n" + c.secondLine + lit("\r\n\0");
    EXPECT_EQ(rig.server.onlyPut(), record);
    EXPECT_EQ(rig.server.calls().at(0).member, "KeyEntryType");
    EXPECT_EQ(rig.session.textBox(), "<Object>.KeyEntryData  = (data)");
    EXPECT_EQ(rig.session.inBox(), record);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SecurePromptTest,
    ::testing::Values(SecureCase{"Type1", "1", "5", "EntryMode=SecurePromptNumericNoEcho.5"},
                      SecureCase{"Type2Number7", "2", "7", "EntryMode=SecurePromptNumericEcho.7"},
                      SecureCase{"Type2EmptyNumber", "2", "", "EntryMode=SecurePromptNumericEcho."},
                      SecureCase{"Type2CancelledNumber", "2", std::nullopt, "EntryMode=SecurePromptNumericEcho."},
                      SecureCase{"NumberAsTyped", "1", " 0x1 ", "EntryMode=SecurePromptNumericNoEcho. 0x1 "},
                      SecureCase{"Type3", "3", std::nullopt, ""},
                      SecureCase{"TypeBlank1", " 1", std::nullopt, ""},
                      SecureCase{"Type01", "01", std::nullopt, ""},
                      SecureCase{"Type1Blank", "1 ", std::nullopt, ""},
                      SecureCase{"TypeCancelled", std::nullopt, std::nullopt, ""}),
    [](const auto& info) { return info.param.name; });

TEST(SecurePrompt, FailureKeepsTheWindowOpen)
{
    SessionRig rig;
    rig.windows.showWindow(reader::kKeyEntryForm);
    rig.prompter.queueAnswer("1");
    rig.prompter.queueAnswer("3");
    rig.server.fail("KeyEntryType");
    EXPECT_FALSE(pressKeyEntry(rig.session, "SECURE_PROMPT"));
    EXPECT_TRUE(rig.windows.isShown(reader::kKeyEntryForm));
}

} // namespace
