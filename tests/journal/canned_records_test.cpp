// Masking changes card data only: every record the utility sends from its
// canned data, and every text its boxes show, goes into a trace or a saved
// session exactly as it went out. Each button of each window's control table
// is pressed on a recording server with several sets of prompt answers (the
// long runs included), at the first and the last position, and every string
// sent and every box text must pass the masker unchanged, with and without
// what the run sent before.
#include "support/session_rig.h"

#include "app/shell_handlers.h"
#include "devices/devices_handlers.h"
#include "fueling/fueling_controls.h"
#include "journal/card_mask.h"
#include "reader/reader_controls.h"
#include "reader/reader_key_entry.h"
#include "session/handler_runner.h"
#include "suites/graphics_display.h"
#include "suites/ixcat_sequences.h"
#include "suites/test_functions.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace vantrel::journal {
namespace {

// Every string the run sent and every box text it showed, each checked as it comes.
class MaskChecker : public SessionObserver {
public:
    void callMade(const CallEvent& e) override
    {
        if (!e.argument || e.argument->type() != Value::Type::String)
            return;
        const std::string& value = e.argument->asString();
        m_masker.noteSent(e.member, value);
        check(e.member, value);
    }
    void boxChanged(Box box, std::string_view text) override { check(boxName(box), text); }
    void messageShown(std::string_view title, std::string_view text) override { check(title, text); }

    std::size_t checked = 0;
    std::size_t bytes = 0;

private:
    void check(std::string_view where, std::string_view text)
    {
        ++checked;
        bytes += text.size();
        // A failure names the first few only: a long run repeats them.
        if (m_failures >= 5)
            return;
        const std::string plain = maskCardData(text), followed = m_masker.mask(text);
        if (plain != text || followed != text) {
            ++m_failures;
            ADD_FAILURE() << where << ": masking changed \"" << text << "\" to \"" << (plain != text ? plain : followed) << "\"";
        }
    }
    CardMasker m_masker;
    int m_failures = 0;
};

// The answers of one pass: every input box gets `answer`, every question `yes`.
struct Answers {
    std::string answer;
    bool yes;
};
const Answers kAnswerSets[] = {{"", false}, {"1", true}, {"1", false}, {"2", true}, {"3", false},
                               {"12", true}, {"1.299", true}, {"0025.00", false}, {"32", true}};
constexpr int kQueued = 24;

// The windows' states, which their control tables capture.
struct States {
    devices::OtherDevicesState otherDevices;
    suites::TestFunctionState testFunctions{1, {CANNED_SAMPLE_IMAGE}};
    suites::IxCatState ixCat;
};

struct Window {
    const char* name;
    std::function<std::vector<ButtonSpec>(States&)> table;
};

const Window kWindows[] = {
    {"VantrelTestShell", [](States&) { return shell::mainWindowButtons(); }},
    {"VantrelTestFueling", [](States&) { return fueling::mainWindowButtons(); }},
    {"VantrelTestReader", [](States&) { return reader::mainWindowButtons(); }},
    {"KeyEntryForm", [](States&) { return reader::keyEntryButtons(); }},
    {"OtherDevicesForm", [](States& s) { return devices::otherDevicesButtons(s.otherDevices); }},
    {"TestFunctionForm", [](States& s) { return suites::testFunctionButtons(s.testFunctions); }},
    {"GraphicsDisplay", [](States&) { return suites::graphicsDisplayButtons(); }},
    {"iXCatTestForm", [](States& s) { return suites::ixCatTestButtons(s.ixCat); }},
};

class CannedRecords : public ::testing::TestWithParam<Window> {};

TEST_P(CannedRecords, PassTheMaskerUnchanged)
{
    std::size_t pressed = 0, checked = 0, bytes = 0;
    for (const int position : {1, 32}) {
        for (const Answers& answers : kAnswerSets) {
            States states;
            states.otherDevices.codeNumber = answers.answer;
            const auto table = GetParam().table(states);
            for (const ButtonSpec& button : table) {
                if (!button.handler)
                    continue;
                SCOPED_TRACE(button.name + " at " + std::to_string(position) + " answering \"" + answers.answer + "\"");
                test::SessionRig rig;
                MaskChecker checker;
                rig.session.addObserver(&checker);
                rig.select(position);
                for (int i = 0; i < kQueued; ++i) {
                    rig.prompter.queueAnswer(answers.answer);
                    rig.prompter.queueReply(answers.yes);
                }
                // Twice: some windows alternate (price tables, job numbers).
                for (int press = 0; press < 2; ++press) {
                    try {
                        runHandler(rig.session, button.handler);
                    } catch (const QueuedPrompter::NothingQueued&) {
                    }
                    ++pressed;
                }
                rig.session.removeObserver(&checker);
                checked += checker.checked;
                bytes += checker.bytes;
            }
        }
    }
    EXPECT_GT(pressed, 0u);
    EXPECT_GT(checked, 0u);
    RecordProperty("checked", static_cast<int>(checked));
    RecordProperty("bytes", static_cast<int>(bytes));
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, CannedRecords, ::testing::ValuesIn(kWindows),
                         [](const auto& info) { return std::string(info.param.name); });

// The long runs send a thousand records each; they are all among the values checked.
TEST(CannedRecords, TheLongRunsAreChecked)
{
    States states;
    const auto table = suites::testFunctionButtons(states.testFunctions);
    std::set<std::string> longRuns;
    for (const auto& button : table)
        if (button.caption.find("1K") != std::string::npos)
            longRuns.insert(button.name);
    ASSERT_EQ(longRuns.size(), 2u);
    for (const auto& name : longRuns) {
        test::SessionRig rig;
        MaskChecker checker;
        rig.session.addObserver(&checker);
        for (const auto& button : table)
            if (button.name == name)
                runHandler(rig.session, button.handler);
        rig.session.removeObserver(&checker);
        EXPECT_GE(rig.server.putsTo("DisplayData").size(), static_cast<std::size_t>(suites::kLoadTestMessages)) << name;
    }
}

// The stress timer and the position selector send too.
TEST(CannedRecords, TimerAndSelectorPassTheMaskerUnchanged)
{
    test::SessionRig rig;
    MaskChecker checker;
    rig.session.addObserver(&checker);
    rig.session.stressActive = 1;
    for (int tick = 0; tick < 3; ++tick)
        runHandler(rig.session, reader::stressTick);
    for (int n = 1; n <= 32; ++n) {
        runHandler(rig.session, [n](Session& s) { shell::selectorGotFocus(s, n); });
        runHandler(rig.session, [n](Session& s) { shell::selectorClick(s, n); });
        runHandler(rig.session, [n](Session& s) { shell::selectorDoubleClick(s, n); });
    }
    rig.session.removeObserver(&checker);
    EXPECT_EQ(rig.server.putsTo("KeyPadConfiguration").size(), 6u);
    EXPECT_GT(checker.checked, 32u);
}

} // namespace
} // namespace vantrel::journal
