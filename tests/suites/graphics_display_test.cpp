#include "suites_test_support.h"

#include "support/session_rig.h"

#include "session/handler_runner.h"
#include "suites/graphics_display.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::suites;
using namespace vantrel::test;

namespace {

struct FormatCase {
    std::string control;
    std::string caption;
    std::string record; // at position 09
};
void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.control; }

const std::string kHead = "ReaderPosition=09\r\nMessage=";

std::vector<FormatCase> formatCases()
{
    return {
        {"Bennett", "Bennett",
         kHead + "Top LineL1\r\nL2\r\nL3\r\nL4\r\nL5\r\nL6\r\nL7\r\nL8\r\nL9\r\nL10\r\nL11\r\nL12\r\nL13\r\n" + "\r\n\n"},
        {"GilbarcoInfo", "GILB INFO", kHead + lit(K_ESC "G" K_ESC K_SUB "000" K_ESC "=100100Hello @ 100 / 100\r\n\0")},
        {"Wayne2Line", "Wayne 2 Line", kHead + lit(K_ESC "G2" K_ESC K_SUB "000" K_ESC "=001002Hello (001/002)\r\n\0")},
        {"Wayne3Line", "Wayne 3 Line", kHead + lit(K_ESC "G3" K_ESC K_SUB "000" K_ESC "=010020Hello (010/020)\r\n\0")},
        {"Wayne4Line", "Wayne 4 Line", kHead + lit(K_ESC "G4" K_ESC K_SUB "000" K_ESC "=040030Hello (040/030)\r\n\0")},
        {"Wayne5Line", "Wayne 5 Line", kHead + lit(K_ESC "G5" K_ESC K_SUB "000" K_ESC "=065030Hello (065/030)\r\n\0")},
        {"WayneQCat", "Wayne Q CAT",
         kHead + lit(K_ESC "G" K_ESC K_SUB "000" K_ESC "=001001Hello (First Line)" K_ESC "=001015Hello (Second Line)" K_ESC
                         "=030120Col/Row (30/120)\r\n\0")},
        {"iXCAT_FORMAT_LINE", "iXCAT  Formatted",
         kHead + K_ESC "G" K_ESC "A12" K_ESC "F\"Aerial\"14" K_ESC "=001001First Line" K_ESC "=025020Second Line" K_ESC
                 "=050040Third Line" K_ESC "=075060Fourth Line" K_ESC "=100080Fifth Line" K_ESC "=125100Sixth Line" K_ESC
                 "=150120Seventh Line" K_ESC "=175140Eigth Line" K_ESC "=200160Ninth Line\r\n\n"},
        {"iXCAT_MULTI_LINE", "iXCAT Multi Line",
         kHead + K_ESC "G" K_ESC "A12" K_ESC "F\"Aerial\"14" "The First Line\nThe Second Line\nThe Third Line\nThe Fourth Line\n"
                 "The Fifth Line\nThe Sixth Line\nThe Seventh Line\nThe Eigth Line\r\n\n"},
        {"iXCAT_FUNC", "iXCATFunc",
         kHead + K_ESC "G" K_ESC "S1\"Key 1\"" K_ESC "S2\"Key 2\"" K_ESC "S3\"Key 3\"" K_ESC "S4\"Key 4\"" K_ESC "S5\"Key 5\"" K_ESC
                 "S6\"Key 6\"" K_ESC "S7\"Key 7\"" K_ESC "S8\"Key 8\"" K_ESC "A12" "Select A Key"},
    };
}

class GraphicsFormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(GraphicsFormatTest, SendsTheRecordShowsItAndHidesTheWindow)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.select(9);
    rig.windows.showWindow(kGraphicsDisplay);
    rig.session.setTextBox("before");
    rig.session.setInBox("before");
    const auto& format = displayFormat(c.control);
    EXPECT_EQ(format.caption, c.caption);
    EXPECT_TRUE(runHandler(rig.session, [&](Session& s) { sendDisplayFormat(s, format); }));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].member, "DisplayData");
    EXPECT_EQ(rig.server.calls()[0].access, Access::Put);
    EXPECT_EQ(rig.server.onlyPut(), c.record);
    EXPECT_EQ(rig.session.textBox(), "<Object>.DispData = (data)");
    EXPECT_EQ(rig.session.inBox(), c.record);
    EXPECT_FALSE(rig.windows.isShown(kGraphicsDisplay));
}

TEST_P(GraphicsFormatTest, AFailingSendKeepsTheWindowOpenAndInBoxUnchanged)
{
    const auto& c = GetParam();
    SessionRig rig;
    rig.windows.showWindow(kGraphicsDisplay);
    rig.session.setInBox("before");
    rig.server.fail("DisplayData");
    EXPECT_FALSE(runHandler(rig.session, [&](Session& s) { sendDisplayFormat(s, displayFormat(c.control)); }));
    EXPECT_EQ(rig.session.textBox(), "<Object>.DispData = (data)");
    EXPECT_EQ(rig.session.inBox(), "before");
    EXPECT_TRUE(rig.windows.isShown(kGraphicsDisplay));
    EXPECT_EQ(rig.prompter.messages(), std::vector<std::string>{"Error 1001: Simulated failure"});
}

INSTANTIATE_TEST_SUITE_P(Formats, GraphicsFormatTest, ::testing::ValuesIn(formatCases()),
                         [](const auto& info) { return info.param.control; });

TEST(GraphicsDisplay, TheTableHoldsTenFormatsAndAnExit)
{
    const auto rows = graphicsDisplayButtons();
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(displayFormats().size(), 10u);
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(rows[i].name, formatCases()[i].control);
    EXPECT_EQ(rows[10].name, "EXIT_BUTTON");
    EXPECT_EQ(rows[10].caption, "EXIT");
}

TEST(GraphicsDisplay, ExitHidesWithoutTouchingEitherBox)
{
    SessionRig rig;
    rig.windows.showWindow(kGraphicsDisplay);
    rig.session.setTextBox("t");
    rig.session.setInBox("i");
    const auto rows = graphicsDisplayButtons();
    EXPECT_TRUE(runHandler(rig.session, rows.back().handler));
    EXPECT_FALSE(rig.windows.isShown(kGraphicsDisplay));
    EXPECT_EQ(rig.session.textBox(), "t");
    EXPECT_EQ(rig.session.inBox(), "i");
    EXPECT_TRUE(rig.server.calls().empty());
}

} // namespace
