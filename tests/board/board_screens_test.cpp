// The reader screen as the board draws it, after every canned message of
// the graphics display window and after both iX CAT sequences run against
// the embedded forecourt. The expected screens are in data/screen_*.txt;
// VANTREL_BOARD_WRITE=1 writes what the screens now say there instead, for
// review when a message changes.
#include "board/board_view.h"
#include "session/handler_runner.h"
#include "suites/graphics_display.h"
#include "suites/ixcat_sequences.h"
#include "support/session_rig.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using namespace vantrel;
using namespace vantrel::board;
using namespace vantrel::test;

namespace {

std::string expectedPath(const std::string& name) { return std::string(BOARD_DATA) + "/screen_" + name + ".txt"; }

void compareWithFile(const std::string& name, const std::string& actual)
{
    const std::string path = expectedPath(name);
    if (std::getenv("VANTREL_BOARD_WRITE")) {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "no expectation " << path;
    std::stringstream expected;
    expected << in.rdbuf();
    EXPECT_EQ(actual, expected.str()) << name;
}

class GraphicsScreen : public ::testing::TestWithParam<suites::DisplayFormat> {};

TEST_P(GraphicsScreen, ShowsTheMessageAsTheTerminalWould)
{
    ForecourtRig rig;
    rig.server.put("DisplayData", Value::string(suites::displayFormatRecord("07", GetParam())));
    compareWithFile(GetParam().control, describeScreen(screenView(rig.server.siteState(7).reader.screen)));
}

INSTANTIATE_TEST_SUITE_P(Formats, GraphicsScreen, ::testing::ValuesIn(suites::displayFormats()),
                         [](const auto& info) { return info.param.control; });

struct Sequence {
    const char* name;
    void (*run)(Session&, suites::IxCatState&);
};

class IxCatScreen : public ::testing::TestWithParam<Sequence> {};

TEST_P(IxCatScreen, ShowsTheWindowsAndPromptsTheSequenceSet)
{
    ForecourtRig rig;
    rig.select(7);
    suites::IxCatState state;
    ASSERT_TRUE(runHandler(rig.session, [&](Session& s) { GetParam().run(s, state); }));
    const auto site = rig.server.siteState(7);
    compareWithFile(GetParam().name, describeScreen(screenView(site.reader.screen)) + "--- paper\n" +
                                         describePaper(paperView(site.reader.paper)));
}

INSTANTIATE_TEST_SUITE_P(Sequences, IxCatScreen,
                         ::testing::Values(Sequence{"ixcat_multi_commands", suites::runMultiCommands},
                                           Sequence{"ixcat_special_test", suites::runSpecialTest}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
