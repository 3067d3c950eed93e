#include "ixcat_sequences.h"

#include "graphics_display.h"
#include "ixcat_packets.h"
#include "long_run.h"
#include "run_guards.h"

#include "reader/reader_records.h"
#include "server/records.h"
#include "server/terminal_vocabulary.h"
#include "session/session.h"

namespace vantrel::suites {

namespace {

const std::vector<std::string> kRunButtons = {"IXCAT_TEST_BUTTON", "SPECIAL_TEST", "EXIT_BUTTON"};

// One run of a sequence: the labels it has written and its waits.
class Run {
public:
    Run(Session& s, IxCatState& state, const char* name, int steps, long totalMs)
        : m_s(s), m_state(state), m_disabled(s.windows(), kIxCatTestForm, kRunButtons), m_run(s, name, steps, totalMs)
    {
    }
    void finish() { m_run.finish(); }

    // Each label starts a step. The first replaces the text of InBox; each later one is appended.
    void label(const char* text)
    {
        m_run.step(text);
        std::string line = text;
        line += rec::CRLF;
        if (m_first)
            m_s.setInBox(std::move(line));
        else
            m_s.appendInBox(line);
        m_first = false;
    }

    void wait(int ticks)
    {
        m_s.waitTicks(m_state.waitCounter, ticks);
        m_run.waited(ticks);
    }

    void put(const char* member, const std::string& record) { m_s.server().put(member, Value::string(record)); }
    const std::string& position() const { return m_s.fpText(); }

    // The status queries between packets; their answers are not used.
    void poll(int times)
    {
        for (int i = 0; i < times; ++i) {
            m_run.step("Status queries " + std::to_string(i + 1) + " of " + std::to_string(times));
            m_s.server().call("FuelingPositionInformation", Value::real(rec::readPromptNumber(m_s.fpText())));
            wait(kSpecialTestWait);
            m_s.server().call("QueCountQuery", std::nullopt);
            wait(kSpecialTestWait);
        }
    }

private:
    Session& m_s;
    IxCatState& m_state;
    DisabledButtons m_disabled;
    LongRun m_run;
    bool m_first = true;
};

void sendEmvInitiate(Run& run) { run.put("PacketQueOutput", rec::packetRecord(run.position(), xml::emvInitiatePacket())); }

void sendSpecialPacket(Run& run, const std::string& xml)
{
    run.put("PacketQueOutput", specialPacketRecord(run.position(), xml));
}

} // namespace

void ixCatTimerTick(IxCatState& state)
{
    if (state.waitCounter != 0)
        --state.waitCounter;
}

void runMultiCommands(Session& s, IxCatState& state)
{
    // Seven steps, each but the last followed by one wait.
    Run run(s, state, "MULTI COMMANDS", 7, 6L * kMultiCommandWait);
    run.label("Initialize Trans");
    sendEmvInitiate(run);
    run.wait(kMultiCommandWait);
    run.label("Display 1");
    run.put("DisplayData", reader::displayRecord(run.position(), 1));
    run.wait(kMultiCommandWait);
    run.label("Print Receipt");
    run.put("PrintOutput", reader::receiptRecord(run.position(), 1));
    run.wait(kMultiCommandWait);
    run.label("Display 2");
    run.put("DisplayData", reader::displayRecord(run.position(), 2));
    run.wait(kMultiCommandWait);
    run.label("Initialize Trans");
    sendEmvInitiate(run);
    run.wait(kMultiCommandWait);
    run.label("Graphics Display");
    run.put("DisplayData", formattedGraphicsRecord(run.position()));
    run.wait(kMultiCommandWait);
    run.label("Initialize Trans");
    sendEmvInitiate(run);
    run.finish();
}

void runSpecialTest(Session& s, IxCatState& state)
{
    // Each status query step waits twice, each of the five packet steps once.
    constexpr int kSteps = kFirstPolls + 5 + 1 + kLaterPolls + 1;
    constexpr long kTotalMs = (2L * (kFirstPolls + kLaterPolls) + 5) * kSpecialTestWait;
    Run run(s, state, "Special Test Multi Packets", kSteps, kTotalMs);
    run.poll(kFirstPolls);
    run.label("Packet 1 Display");
    sendSpecialPacket(run, messageWindowPacket());
    run.wait(kSpecialTestWait);
    run.label("Packet 2 Set Soft Key");
    sendSpecialPacket(run, softKeyPacket());
    run.wait(kSpecialTestWait);
    run.label("Packet 3 Window Properties");
    sendSpecialPacket(run, dataEntryWindowPacket());
    run.wait(kSpecialTestWait);
    run.label("Packet 5 Welcome Message Prompt");
    sendSpecialPacket(run, welcomePromptPacket());
    run.wait(kSpecialTestWait);
    run.label("Packet 6 Display Prompt");
    sendSpecialPacket(run, displayPromptPacket());
    run.wait(kSpecialTestWait);
    run.label("Enable Any Key");
    run.put("KeyEntryType", reader::keyEntryRecord(run.position(), "AnyKey"));
    run.poll(kLaterPolls);
    run.label("Packet 7 Get Versions");
    sendSpecialPacket(run, packageVersionPacket());
    run.finish();
}

std::vector<ButtonSpec> ixCatTestButtons(IxCatState& state)
{
    IxCatState* st = &state;
    return {
        {"IXCAT_TEST_BUTTON", "MULTI COMMANDS", {360, 240, 3600, 495}, {}, [st](Session& s) { runMultiCommands(s, *st); }},
        {"SPECIAL_TEST", "Special Test Multi Packets", {360, 840, 3600, 495}, {}, [st](Session& s) { runSpecialTest(s, *st); }},
        {"EXIT_BUTTON", "Exit", {1560, 1560, 1200, 495}, {}, [](Session& s) { s.windows().hideWindow(kIxCatTestForm); }},
    };
}

} // namespace vantrel::suites
