#include "journal/session_recorder.h"

#include "session/script.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace vantrel::journal {
namespace {

using namespace std::string_literals;
using K = UserAction::Kind;

// Drives a recorder as the session does: an action starts, its events come, it ends.
struct Rig {
    SessionRecorder recorder;
    std::array<std::string, 4> boxes; // kept as the session keeps them: the recorder reads them later
    void box(Box b, std::string text)
    {
        boxes[static_cast<std::size_t>(b)] = std::move(text);
        recorder.boxChanged(b, boxes[static_cast<std::size_t>(b)]);
    }
    void act(UserAction a, const std::function<void()>& during = {})
    {
        recorder.actionStarted(a);
        if (during)
            during();
        recorder.actionEnded(a);
    }
    void press(const std::string& window, const std::string& control, const std::function<void()>& during = {})
    {
        act({K::Press, window, control, 0, {}}, during);
    }
    void selector(K kind, int n, const std::function<void()>& during = {})
    {
        act({kind, "VantrelTest", "Button" + std::to_string(n), n, {}}, during);
    }
    std::vector<std::string> lines(bool masked = true) const
    {
        std::vector<std::string> out;
        const std::string text = recorder.script({}, masked);
        std::size_t start = 0;
        for (auto end = text.find('\n'); end != std::string::npos; start = end + 1, end = text.find('\n', start))
            out.push_back(text.substr(start, end - start));
        return out;
    }
};

TEST(SessionRecorder, AnswersRepliesAndErrorsAreQueuedBeforeThePressAndEachChangedBoxIsExpectedAfterIt)
{
    Rig rig;
    rig.press("VantrelTest", "Preset", [&] {
        rig.recorder.inputAnswered("Hose", "Enter the hose", "1");
        rig.recorder.inputAnswered("MOP", "Enter the MOP", "");
        rig.recorder.questionAnswered("Sure", "Really?", false);
        rig.box(Box::TextBox, "<Object>.Authorize (data)");
        rig.recorder.callFailed("Authorize", 1101, "No such position");
        rig.box(Box::InBox, "A\r\n\0 "s);
    });
    rig.press("OtherDevicesForm", "EXIT_CMD");
    EXPECT_EQ(rig.lines(), (std::vector<std::string>{"answer 1", "answer", "reply no", "expect error 1101", "press Preset",
                                                     "expect TextBox is <Object>.Authorize (data)",
                                                     "expect InBox is A\\r\\n\\0\\x20", "press OtherDevicesForm.EXIT_CMD"}));
}

TEST(SessionRecorder, FocusAndClickMakeOneSelectAndAFocusLostForNoVisibleReasonIsWritten)
{
    Rig rig;
    rig.selector(K::Focus, 3, [&] { rig.box(Box::InBox, "info 3"); });
    rig.selector(K::Click, 3, [&] { rig.box(Box::TextBoxPumpNumber, "Fueling Position -> 3"); });
    // Another button takes the focus: the replay moves it off 3 itself.
    rig.selector(K::LostFocus, 3);
    rig.selector(K::Focus, 7);
    rig.selector(K::Click, 7);
    rig.selector(K::DoubleClick, 7);
    // The focus leaves for a control that is not pressed, then comes back.
    rig.selector(K::LostFocus, 7);
    rig.selector(K::Focus, 7);
    // A main window button takes it: no line of its own.
    rig.selector(K::LostFocus, 7);
    rig.press("VantrelTest", "STOP_ALL");
    EXPECT_EQ(rig.lines(), (std::vector<std::string>{"select 3", "expect InBox is info 3",
                                                     "expect TextBoxPumpNumber is Fueling Position -> 3", "select 7",
                                                     "doubleclick 7", "unfocus", "focus 7", "press STOP_ALL"}));
}

TEST(SessionRecorder, TicksOfOneTimerMakeOneLineAndTypingKeepsTheLastText)
{
    Rig rig;
    for (int i = 0; i < 3; ++i)
        rig.act({K::Tick, "VantrelTest", "Timer1", 0, {}}, [&] { rig.box(Box::InBox, "tick " + std::to_string(i)); });
    rig.act({K::Type, "OtherDevicesForm", "CodeBox", 0, "1"});
    rig.act({K::Type, "OtherDevicesForm", "CodeBox", 0, "12"});
    rig.press("OtherDevicesForm", "CODE_SEND");
    rig.act({K::Type, "OtherDevicesForm", "CodeBox", 1, ""});
    rig.act({K::Tick, "VantrelTest", "Timer1", 0, {}});
    EXPECT_EQ(rig.lines(),
              (std::vector<std::string>{"tick VantrelTest.Timer1 3", "expect InBox is tick 2", "type OtherDevicesForm.CodeBox 12",
                                        "press OtherDevicesForm.CODE_SEND",
                                        "# typed into OtherDevicesForm.CodeBox: text with characters above 255, which cannot be sent",
                                        "tick VantrelTest.Timer1"}));
}

TEST(SessionRecorder, CardDataIsCheckedUpToWhereItBeginsButTypedTextStaysAsTyped)
{
    Rig rig;
    const std::string card = "ReaderPosition=01\r\nTrack2=;4111111111111111=28121010000000000000?";
    rig.press("VantrelTest", "CardQue", [&] { rig.box(Box::InBox, card); });
    rig.press("VantrelTest", "DisplayData", [&] {
        rig.recorder.inputAnswered("Text", "Enter the text", "4111111111111111");
        rig.box(Box::DeviceData, "4111111111111111");
    });
    EXPECT_TRUE(rig.recorder.typedCardNumber());
    const auto masked = rig.lines();
    EXPECT_EQ(masked, (std::vector<std::string>{"press CardQue", "expect InBox contains ReaderPosition=01\\r\\nTrack2=;411111",
                                                "answer 4111111111111111", "press DisplayData",
                                                "expect DeviceData contains 411111"}));
    const auto unmasked = rig.lines(false);
    EXPECT_EQ(unmasked[1], "expect InBox is ReaderPosition=01\\r\\nTrack2=;4111111111111111=28121010000000000000?");
    EXPECT_EQ(unmasked[4], "expect DeviceData is 4111111111111111");
}

TEST(SessionRecorder, APinKeyedAtAReaderWaitingForOneIsWrittenAsZerosAndItsAnswerMasked)
{
    Rig rig;
    auto put = [&](const std::string& member, const std::string& value) {
        rig.recorder.callMade({Access::Put, member, Value::string(value), std::nullopt});
    };
    rig.press("TestFunctionForm", "iXCAT_DES_TEST", [&] {
        put("PacketQueOutput", "ReaderPosition=01\r\nPacketCount=040\r\nPacketData=<DisplaySecurePromptCommand "
                               "SequenceNumber=\"0\" SecurityLevel=\"Encrypted\"/>\r\n\0"s);
    });
    rig.act({K::Customer, {}, {}, 0, "key 1 2468"});
    rig.act({K::Customer, {}, {}, 0, "key 2 1357"});
    rig.act({K::Customer, {}, {}, 0, "key 1 Enter"});
    rig.press("VantrelTest", "KeyQue", [&] { rig.box(Box::InBox, "ReaderPosition=01\r\nKeyData=2468"); });
    // A key entry with echo ends the PIN entry at reader 1.
    rig.press("KeyEntryForm", "NUM_ECHO_BUTTON", [&] { put("KeyEntryType", "ReaderPosition=01\r\nEntryMode=NumericWithEcho\r\n\0"s); });
    rig.act({K::Customer, {}, {}, 0, "key 1 42"});
    EXPECT_EQ(rig.lines(), (std::vector<std::string>{"press TestFunctionForm.iXCAT_DES_TEST",
                                                     "# the PIN keyed at reader 1 is written as zeros", "customer key 1 0000",
                                                     "customer key 2 1357", "customer key 1 Enter", "press KeyQue",
                                                     "expect InBox contains ReaderPosition=01\\r\\nKeyData=",
                                                     "press KeyEntryForm.NUM_ECHO_BUTTON", "customer key 1 42"}));
    const auto unmasked = rig.lines(false);
    EXPECT_EQ(unmasked[1], "customer key 1 2468");
    EXPECT_EQ(unmasked[5], "expect InBox is ReaderPosition=01\\r\\nKeyData=2468");
}

TEST(SessionRecorder, ScriptTextReadsBackAsTheSameBytes)
{
    std::string every;
    for (int c = 0; c < 256; ++c)
        every += static_cast<char>(c);
    for (const std::string& bytes : {every, " lead and end "s, "back\\slash"s, ""s}) {
        const auto commands = parseScript("answer " + scriptText(bytes) + "\n");
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].text, bytes);
    }
}

TEST(SessionRecorder, ARawCallIsItsOwnLineAndAGetsAnswerIsCheckedMasked)
{
    Rig rig;
    auto raw = [&](Access access, const std::string& member, std::optional<Value> value, std::optional<Value> result,
                   int failure = 0) {
        rig.act({K::Call, {}, member, 0, accessName(access)}, [&] {
            rig.recorder.callMade({access, member, std::move(value), std::move(result)});
            if (failure)
                rig.recorder.callFailed(member, failure, "refused");
        });
    };
    rig.selector(K::LostFocus, 3);
    raw(Access::Put, "Price", Value::string("FuelingPosition=07\r\n\\ \0\xFF "s), std::nullopt);
    raw(Access::Get, "FuelingPositionInformation", Value::int16(7), Value::string("FuelingPosition=7\r\n"));
    raw(Access::Get, "FuelingPositionInformation", Value::int16(40), std::nullopt, 1003);
    raw(Access::Get, "CardQue", std::nullopt, Value::string("Track2=;4111111111111111=28121010000000000000?"));
    raw(Access::Call, "InvokeHelpFile", std::nullopt, Value::int16(1));
    raw(Access::Get, "Price", Value::real(2.5), Value::real(-0.5));
    raw(Access::Put, "DisplayData", Value::string("4111111111111111"), std::nullopt);
    EXPECT_EQ(rig.lines(), (std::vector<std::string>{
                               "unfocus",
                               "put Price string FuelingPosition=07\\r\\n\\\\ \\0\\xFF\\x20",
                               "get FuelingPositionInformation int16 7",
                               "expect result is FuelingPosition=7\\r\\n",
                               "expect error 1003",
                               "get FuelingPositionInformation int16 40",
                               "get CardQue",
                               "expect result contains Track2=;411111",
                               "call InvokeHelpFile",
                               "get Price double 2.5",
                               "expect result is -0.5",
                               "put DisplayData string 4111111111111111"}));
    EXPECT_EQ(rig.lines(false)[7], "expect result is Track2=;4111111111111111=28121010000000000000?");
    EXPECT_TRUE(rig.recorder.typedCardNumber());
    // The saved lines read back as the calls that were made.
    const auto commands = parseScript(rig.recorder.script());
    ASSERT_EQ(commands.size(), 12u);
    EXPECT_EQ(commands[1].value, Value::string("FuelingPosition=07\r\n\\ \0\xFF "s));
    EXPECT_EQ(commands[9].value, Value::real(2.5));
}

TEST(SessionRecorder, ALongBoxIsCheckedByItsEnd)
{
    Rig rig;
    const std::string big(SessionRecorder::kExpectLimit + 1, 'a');
    rig.press("VantrelTest", "Test1K", [&] { rig.box(Box::InBox, big + "END"); });
    const auto lines = rig.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "expect InBox contains " + std::string(SessionRecorder::kContainsLength - 3, 'a') + "END");
}

} // namespace
} // namespace vantrel::journal
