// A preset sale pressed through the buttons against the embedded server
// with a hand-moved clock: what the selector and Dispenser Info show while
// the sale runs, and how refused commands are reported.
#include "fueling_buttons.h"

#include "app/shell_handlers.h"
#include "support/session_rig.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::test;

namespace {

// The position information as the selector shows it on focus.
std::string focusInfo(ForecourtRig& rig, int n)
{
    EXPECT_TRUE(runHandler(rig.session, [n](Session& s) { shell::selectorGotFocus(s, n); }));
    return rig.session.inBox();
}

bool has(const std::string& text, const std::string& line) { return text.find(line) != std::string::npos; }

TEST(PresetSale, FromPricesToPayout)
{
    ForecourtRig rig;
    rig.select(4);
    ASSERT_TRUE(press(rig.session, "Price2")); // hose 2: 2.222 per litre on both tiers
    for (const char* a : {"2", "2", "1111"})  // hose 2, MOP 2, 11.11
        rig.prompter.queueAnswer(a);
    ASSERT_TRUE(press(rig.session, "Preset"));

    std::string info = focusInfo(rig, 4);
    EXPECT_TRUE(has(info, "State=Authorised")) << info;
    EXPECT_TRUE(has(info, "Hose=2\r\nHoseInUse=2\r\nMOP=2\r\nLimit=11.11\r\nUnitPrice=2.222")) << info;

    rig.advance(2000 + 4000); // nozzle lifted, four seconds of flow
    info = focusInfo(rig, 4);
    EXPECT_TRUE(has(info, "State=Fueling")) << info;
    EXPECT_TRUE(has(info, "Volume=2.000\r\nAmount=4.44")) << info;

    ASSERT_TRUE(press(rig.session, "Stop"));
    rig.advance(60000);
    EXPECT_TRUE(has(focusInfo(rig, 4), "State=Stopped")) << rig.session.inBox();
    EXPECT_TRUE(has(rig.session.inBox(), "Volume=2.000")) << rig.session.inBox();

    ASSERT_TRUE(press(rig.session, "Resume"));
    rig.advance(60000);
    info = focusInfo(rig, 4);
    EXPECT_TRUE(has(info, "State=Completed")) << info;
    EXPECT_TRUE(has(info, "Volume=5.000\r\nAmount=11.11")) << info;

    ASSERT_TRUE(press(rig.session, "PayOutSale"));
    EXPECT_EQ(rig.session.inBox(), " ");
    EXPECT_EQ(focusInfo(rig, 4), "FuelingPosition=4\r\nState=Idle\r\nLastSaleVolume=5.000\r\nLastSaleAmount=11.11");

    ASSERT_TRUE(press(rig.session, "DispenserInfo"));
    EXPECT_TRUE(has(rig.session.inBox(), "Hose2Tier2=2.222")) << rig.session.inBox();
    EXPECT_TRUE(has(rig.session.inBox(), "SalesPaid=1\r\nTotalVolume=5.000\r\nTotalAmount=11.11")) << rig.session.inBox();
}

TEST(PresetSale, SelectorFocusOnAnotherPositionLeavesTheCurrentOne)
{
    ForecourtRig rig;
    rig.select(12);
    ASSERT_TRUE(press(rig.session, "Fillup"));
    EXPECT_EQ(focusInfo(rig, 5), "FuelingPosition=5\r\nState=Idle");
    EXPECT_TRUE(has(focusInfo(rig, 12), "State=Authorised"));
    EXPECT_EQ(rig.session.fpText(), "12");
}

struct RefusedCase {
    std::string name;
    std::vector<std::string> presses; // buttons pressed before, at position 09
    std::string button;
    int error;
};
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedCommandTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedCommandTest, ReportsNumberedErrorAndKeepsInBox)
{
    const auto& c = GetParam();
    ForecourtRig rig;
    rig.select(9);
    for (const auto& b : c.presses)
        ASSERT_TRUE(press(rig.session, b)) << b;
    rig.session.setInBox("old");
    rig.prompter.clear();
    EXPECT_FALSE(press(rig.session, c.button));
    ASSERT_EQ(rig.prompter.messages().size(), 1u);
    EXPECT_EQ(rig.prompter.messages()[0].rfind("Error " + std::to_string(c.error) + ": ", 0), 0u)
        << rig.prompter.messages()[0];
    EXPECT_NE(rig.prompter.messages()[0].find("position 09"), std::string::npos) << rig.prompter.messages()[0];
    EXPECT_EQ(rig.session.inBox(), "old");
}
INSTANTIATE_TEST_SUITE_P(Nonsense, RefusedCommandTest,
                         ::testing::Values(RefusedCase{"ResumeIdle", {}, "Resume", 1103},
                                           RefusedCase{"PayOutIdle", {}, "PayOutSale", 1102},
                                           RefusedCase{"DeauthorizeIdle", {}, "Deauthorize", 1101},
                                           RefusedCase{"AuthorizeTwice", {"PresetMOP1"}, "Fillup", 1101},
                                           RefusedCase{"PayOutBeforeFuel", {"NewPreset"}, "PayOutSale", 1102},
                                           RefusedCase{"ResumeRunning", {"PresetMOP2"}, "Resume", 1103}),
                         [](const auto& info) { return info.param.name; });

TEST(PresetSale, StopAllFromAnyPositionHaltsEverySale)
{
    ForecourtRig rig;
    for (int p : {2, 30}) {
        rig.select(p);
        ASSERT_TRUE(press(rig.session, "Fillup"));
    }
    rig.advance(4000);
    rig.select(17); // idle: STOP_ALL still sends "0"
    ASSERT_TRUE(press(rig.session, "STOP_ALL"));
    rig.advance(30000);
    for (int p : {2, 30}) {
        const std::string info = focusInfo(rig, p);
        EXPECT_TRUE(has(info, "State=Stopped\r\n")) << info;
        EXPECT_TRUE(has(info, "Volume=1.000\r\n")) << info;
    }
}

TEST(PresetSale, PriceWithNoHosesIsAcceptedAndChangesNothing)
{
    ForecourtRig rig;
    rig.session.setInBox("old");
    const std::string before = rig.server.fueling().dispenserInformation(1);
    for (const char* a : {"15", "0"})
        rig.prompter.queueAnswer(a);
    EXPECT_TRUE(press(rig.session, "Price"));
    EXPECT_TRUE(rig.prompter.messages().empty());
    EXPECT_EQ(rig.session.inBox(), std::string(1, '\0'));
    EXPECT_EQ(rig.server.fueling().dispenserInformation(1), before);
}

} // namespace
