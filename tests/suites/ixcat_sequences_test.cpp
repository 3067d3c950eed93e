#include "suites_test_support.h"

#include "support/running_utility.h"
#include "support/session_rig.h"

#include "app/qt_window_host.h"
#include "app/shell_handlers.h"
#include "session/handler_runner.h"
#include "suites/ixcat_sequences.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vantrel;
using namespace vantrel::suites;
using namespace vantrel::test;

namespace {

const std::string kEmv07 = lit(
    "ReaderPosition=07\r\nPacketCount=113\r\nPacketData=<EMVModuleCommand><InitiateTransactionCommand "
    "SequenceNumber=\"0\"></InitiateTransactionCommand></EMVModuleCommand>\r\n\0");
const std::string kDisplay1 = lit("ReaderPosition=07\r\nMessage=Display Msg 1\r\nLine 2 Displayed\r\n\0");
const std::string kDisplay2 = lit("ReaderPosition=07\r\nMessage=Display Msg 2\r\nLine 2 Displayed\r\n\0");
const std::string kFormatted07 =
    "ReaderPosition=07\r\nMessage=" K_ESC "G" K_ESC "A12" K_ESC "F\"Aerial\"14" K_ESC "=001001First Line" K_ESC
    "=025020Second Line" K_ESC "=050040Third Line" K_ESC "=075060Fourth Line" K_ESC "=100080Fifth Line" K_ESC
    "=125100Sixth Line" K_ESC "=150120Seventh Line" K_ESC "=175140Eigth Line" K_ESC "=200160Ninth Line\r\n\n";
const std::string kAnyKey07 = lit("ReaderPosition=07\r\nEntryMode=AnyKey\r\n\0");

// Builds the expected trace: labels accumulate in InBox as the sequence writes them.
struct Expected {
    std::vector<std::string> lines;
    std::string box;
    void label(const std::string& text)
    {
        box += text + "\r\n";
        lines.push_back("InBox " + box);
    }
    void put(const std::string& member, const std::string& record) { lines.push_back("put " + member + " " + record); }
    void wait(int ticks) { lines.push_back("wait " + std::to_string(ticks)); }
    void polls(int times)
    {
        for (int i = 0; i < times; ++i) {
            lines.push_back("call FuelingPositionInformation double 7.000000");
            wait(1000);
            lines.push_back("call QueCountQuery");
            wait(1000);
        }
    }
};

std::string specialRecord(int count, const std::string& file)
{
    return "ReaderPosition = 07\r\nPacketCount = " + std::to_string(count) + "\r\nPacketData=" + dataFile(file) + lit("\r\n\0");
}

TEST(MultiCommands, TraceHasLabelsRecordsAndWaits)
{
    SessionRig rig;
    rig.select(7);
    rig.session.setInBox("earlier run");
    TraceObserver trace;
    rig.session.addObserver(&trace);
    IxCatState state;
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { runMultiCommands(s, state); }));
    rig.session.removeObserver(&trace);

    Expected e;
    e.label("Initialize Trans");
    e.put("PacketQueOutput", kEmv07);
    e.wait(100);
    e.label("Display 1");
    e.put("DisplayData", kDisplay1);
    e.wait(100);
    e.label("Print Receipt");
    e.put("PrintOutput", dataFile("receipt1_07.rec"));
    e.wait(100);
    e.label("Display 2");
    e.put("DisplayData", kDisplay2);
    e.wait(100);
    e.label("Initialize Trans");
    e.put("PacketQueOutput", kEmv07);
    e.wait(100);
    e.label("Graphics Display");
    e.put("DisplayData", kFormatted07);
    e.wait(100);
    e.label("Initialize Trans");
    e.put("PacketQueOutput", kEmv07);
    EXPECT_EQ(trace.lines, e.lines);
    EXPECT_EQ(rig.session.inBox(),
              "Initialize Trans\r\nDisplay 1\r\nPrint Receipt\r\nDisplay 2\r\nInitialize Trans\r\nGraphics Display\r\n"
              "Initialize Trans\r\n");
    EXPECT_EQ(rig.waiter.totalTicks(), 600);
    EXPECT_EQ(rig.server.putsTo("PacketQueOutput").size(), 3u);
}

TEST(SpecialTest, TraceHasPollsLabelsPacketsAndWaits)
{
    SessionRig rig;
    rig.select(7);
    TraceObserver trace;
    rig.session.addObserver(&trace);
    IxCatState state;
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { runSpecialTest(s, state); }));
    rig.session.removeObserver(&trace);

    Expected e;
    e.polls(25);
    e.label("Packet 1 Display");
    e.put("PacketQueOutput", specialRecord(374, "ixcat_packet1.xml"));
    e.wait(1000);
    e.label("Packet 2 Set Soft Key");
    e.put("PacketQueOutput", specialRecord(299, "ixcat_packet2.xml"));
    e.wait(1000);
    e.label("Packet 3 Window Properties");
    e.put("PacketQueOutput", specialRecord(315, "ixcat_packet3.xml"));
    e.wait(1000);
    e.label("Packet 5 Welcome Message Prompt");
    e.put("PacketQueOutput", specialRecord(1911, "ixcat_packet5.xml"));
    e.wait(1000);
    e.label("Packet 6 Display Prompt");
    e.put("PacketQueOutput", specialRecord(99, "ixcat_packet6.xml"));
    e.wait(1000);
    e.label("Enable Any Key");
    e.put("KeyEntryType", kAnyKey07);
    e.polls(5);
    e.label("Packet 7 Get Versions");
    e.put("PacketQueOutput", specialRecord(76, "ixcat_packet7.xml"));
    EXPECT_EQ(trace.lines, e.lines);
    EXPECT_EQ(rig.waiter.totalTicks(), 65000);
}

TEST(SpecialTest, PacketsSixAndSevenKeepTheirCannedCountLines)
{
    SessionRig rig;
    rig.select(3);
    IxCatState state;
    runSpecialTest(rig.session, state);
    const auto packets = rig.server.putsTo("PacketQueOutput");
    ASSERT_EQ(packets.size(), 6u);
    EXPECT_EQ(packets[4], "ReaderPosition = 03\r\nPacketCount = 99\r\nPacketData=" + dataFile("ixcat_packet6.xml") +
                              lit("\r\n\0"));
    EXPECT_TRUE(packets[5].starts_with("ReaderPosition = 03\r\nPacketCount = 76\r\nPacketData=<GetPackageVersionCommand"));
    EXPECT_TRUE(packets[3].starts_with("ReaderPosition = 03\r\nPacketCount = 1911\r\nPacketData=<DisplayCommand>"));
}

TEST(Sequences, ASecondRunReplacesTheLabelsOfTheFirst)
{
    SessionRig rig;
    IxCatState state;
    runMultiCommands(rig.session, state);
    runSpecialTest(rig.session, state);
    EXPECT_EQ(rig.session.inBox(),
              "Packet 1 Display\r\nPacket 2 Set Soft Key\r\nPacket 3 Window Properties\r\nPacket 5 Welcome Message Prompt\r\n"
              "Packet 6 Display Prompt\r\nEnable Any Key\r\nPacket 7 Get Versions\r\n");
}

// Failures.

struct FailureCase {
    const char* name;
    bool special;
    const char* member;
    int fromCall;
    std::string labels; // InBox afterwards
    std::size_t calls;  // calls made, the failing one included
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class SequenceFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(SequenceFailureTest, EndsTheSequenceKeepsTheLabelsAndEnablesTheButtons)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.session.setInBox("before");
    rig.server.fail(c.member, 1201, "The reader terminal cannot act on the record", c.fromCall);
    IxCatState state;
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) {
        c.special ? runSpecialTest(s, state) : runMultiCommands(s, state);
    }));
    EXPECT_EQ(rig.session.inBox(), c.labels);
    EXPECT_EQ(rig.server.calls().size(), c.calls);
    EXPECT_EQ(rig.server.calls().back().member, c.member);
    EXPECT_EQ(rig.prompter.messages(),
              std::vector<std::string>{"Error 1201: The reader terminal cannot act on the record"});
    for (const char* button : {"IXCAT_TEST_BUTTON", "SPECIAL_TEST", "EXIT_BUTTON"})
        EXPECT_TRUE(rig.windows.isEnabled(kIxCatTestForm, button)) << button;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, SequenceFailureTest,
    ::testing::Values(
        FailureCase{"MultiFirstInitiate", false, "PacketQueOutput", 1, "Initialize Trans\r\n", 1},
        FailureCase{"MultiReceipt", false, "PrintOutput", 1, "Initialize Trans\r\nDisplay 1\r\nPrint Receipt\r\n", 3},
        FailureCase{"MultiSecondInitiate", false, "PacketQueOutput", 2,
                    "Initialize Trans\r\nDisplay 1\r\nPrint Receipt\r\nDisplay 2\r\nInitialize Trans\r\n", 5},
        FailureCase{"SpecialFirstPolls", true, "QueCountQuery", 3, "before", 6},
        FailureCase{"SpecialPacket3", true, "PacketQueOutput", 3,
                    "Packet 1 Display\r\nPacket 2 Set Soft Key\r\nPacket 3 Window Properties\r\n", 53},
        FailureCase{"SpecialAnyKey", true, "KeyEntryType", 1,
                    "Packet 1 Display\r\nPacket 2 Set Soft Key\r\nPacket 3 Window Properties\r\n"
                    "Packet 5 Welcome Message Prompt\r\nPacket 6 Display Prompt\r\nEnable Any Key\r\n",
                    56},
        FailureCase{"SpecialLaterPolls", true, "FuelingPositionInformation", 27,
                    "Packet 1 Display\r\nPacket 2 Set Soft Key\r\nPacket 3 Window Properties\r\n"
                    "Packet 5 Welcome Message Prompt\r\nPacket 6 Display Prompt\r\nEnable Any Key\r\n",
                    59}),
    [](const auto& info) { return std::string(info.param.name); });

// Buttons during a run, and records built at the moment of sending.

struct EnabledWatcher : SessionObserver {
    RecordingWindowHost* windows = nullptr;
    int callsWhileEnabled = 0, calls = 0;
    void callMade(const CallEvent&) override
    {
        ++calls;
        for (const char* button : {"IXCAT_TEST_BUTTON", "SPECIAL_TEST", "EXIT_BUTTON"})
            if (windows->isEnabled(kIxCatTestForm, button))
                ++callsWhileEnabled;
    }
};

class ButtonsDuringRunTest : public ::testing::TestWithParam<bool> {};

TEST_P(ButtonsDuringRunTest, AreDisabledWhileTheSequenceRunsAndEnabledAfter)
{
    SessionRig rig;
    EnabledWatcher watcher;
    watcher.windows = &rig.windows;
    rig.session.addObserver(&watcher);
    IxCatState state;
    GetParam() ? runSpecialTest(rig.session, state) : runMultiCommands(rig.session, state);
    rig.session.removeObserver(&watcher);
    EXPECT_GT(watcher.calls, 0);
    EXPECT_EQ(watcher.callsWhileEnabled, 0);
    for (const char* button : {"IXCAT_TEST_BUTTON", "SPECIAL_TEST", "EXIT_BUTTON"})
        EXPECT_TRUE(rig.windows.isEnabled(kIxCatTestForm, button));
}

INSTANTIATE_TEST_SUITE_P(Sequences, ButtonsDuringRunTest, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "Special" : "Multi"); });

// A waiter that runs an action at a chosen wait, then returns as if the ticks had passed.

TEST(Sequences, EachRecordCarriesThePositionAtTheMomentItIsSent)
{
    RecordingServer server;
    QueuedPrompter prompter;
    RecordingWindowHost windows;
    ActingWaiter waiter;
    Session session(server, prompter, windows, waiter);
    shell::selectorClick(session, 7);
    waiter.action = [&](int wait) {
        if (wait == 3)
            shell::selectorClick(session, 12);
    };
    IxCatState state;
    runMultiCommands(session, state);
    const auto displays = server.putsTo("DisplayData");
    ASSERT_EQ(displays.size(), 3u);
    EXPECT_TRUE(displays[0].starts_with("ReaderPosition=07\r\n"));
    EXPECT_TRUE(displays[1].starts_with("ReaderPosition=12\r\n"));
    EXPECT_TRUE(server.putsTo("PrintOutput").at(0).starts_with("ReaderPosition=07\r\n"));
}

TEST(Sequences, ClosingDuringAWaitEndsTheRunQuietlyAndEnablesTheButtons)
{
    RecordingServer server;
    QueuedPrompter prompter;
    RecordingWindowHost windows;
    ActingWaiter waiter;
    Session session(server, prompter, windows, waiter);
    waiter.action = [](int wait) {
        if (wait == 3)
            throw SessionClosing{};
    };
    IxCatState state;
    EXPECT_FALSE(runHandler(session, [&](Session& s) { runMultiCommands(s, state); }));
    EXPECT_TRUE(prompter.messages().empty());
    EXPECT_EQ(server.calls().size(), 3u);
    for (const char* button : {"IXCAT_TEST_BUTTON", "SPECIAL_TEST", "EXIT_BUTTON"})
        EXPECT_TRUE(windows.isEnabled(kIxCatTestForm, button));
}

// The wait counter and its timer.

TEST(WaitCounter, TickCountsDownToZeroAndStops)
{
    IxCatState state;
    state.waitCounter = 2;
    ixCatTimerTick(state);
    EXPECT_EQ(state.waitCounter, 1);
    ixCatTimerTick(state);
    EXPECT_EQ(state.waitCounter, 0);
    ixCatTimerTick(state);
    EXPECT_EQ(state.waitCounter, 0);
}

TEST(WaitCounter, AWaitOfZeroReturnsAtOnce)
{
    QtWaiter waiter;
    std::int16_t counter = 0;
    waiter.wait(counter, 0); // would block for events if it waited
    EXPECT_EQ(counter, 0);

    SessionRig rig;
    TraceObserver trace;
    rig.session.addObserver(&trace);
    std::int16_t other = 0;
    rig.session.waitTicks(other, 0);
    rig.session.removeObserver(&trace);
    EXPECT_EQ(trace.lines, std::vector<std::string>{"wait 0"});
    EXPECT_EQ(rig.waiter.totalTicks(), 0);
}

} // namespace

// A stop asked for in a wait ends the run at the next step, says where, and sends nothing more.
TEST(Sequences, AStopEndsTheRunAfterTheStepInProgress)
{
    RecordingServer server;
    QueuedPrompter prompter;
    RecordingWindowHost windows;
    ActingWaiter waiter;
    Session session(server, prompter, windows, waiter);
    struct Steps : SessionObserver {
        std::vector<Progress> seen;
        void progressed(const Progress& p) override { seen.push_back(p); }
    } steps;
    session.addObserver(&steps);
    waiter.action = [&](int wait) {
        if (wait == 2)
            session.requestStop();
    };
    IxCatState state;
    EXPECT_FALSE(runHandler(session, [&](Session& s) { runSpecialTest(s, state); }));
    EXPECT_EQ(server.calls().size(), 2u); // the first step's two status queries
    EXPECT_EQ(prompter.messages(), std::vector<std::string>{"\"Special Test Multi Packets\" was stopped after step 1 of 37 "
                                                            "(Status queries 1 of 25). Nothing more was sent."});
    ASSERT_GE(steps.seen.size(), 3u);
    EXPECT_EQ(steps.seen.front().step, 1);
    EXPECT_EQ(steps.seen.front().msLeft, 65000);
    EXPECT_EQ(steps.seen[2].msLeft, 63000);
    EXPECT_FALSE(steps.seen.back().running);
    EXPECT_FALSE(session.stopRequested());
    for (const char* button : {"IXCAT_TEST_BUTTON", "SPECIAL_TEST", "EXIT_BUTTON"})
        EXPECT_TRUE(windows.isEnabled(kIxCatTestForm, button));

    // A whole run reports every step, and its end.
    steps.seen.clear();
    waiter.action = nullptr;
    EXPECT_TRUE(runHandler(session, [&](Session& s) { runMultiCommands(s, state); }));
    ASSERT_FALSE(steps.seen.empty());
    EXPECT_EQ(steps.seen[steps.seen.size() - 2].step, 7);
    EXPECT_EQ(steps.seen[steps.seen.size() - 2].msLeft, 0);
    EXPECT_EQ(steps.seen.back().outcome, "done");
    session.removeObserver(&steps);
}
