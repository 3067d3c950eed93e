#include "support/session_rig.h"

#include "app/shell_handlers.h"
#include "session/handler_runner.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::test;

struct WindowControlCase {
    const char* name;
    bool yes;
    std::string record;
};
class WindowControlTest : public ::testing::TestWithParam<WindowControlCase> {};

TEST_P(WindowControlTest, SendsValueWithCrLfNul)
{
    SessionRig rig;
    rig.session.setInBox("untouched");
    rig.prompter.queueReply(GetParam().yes);
    EXPECT_TRUE(runHandler(rig.session, shell::sendWindowControl));
    EXPECT_EQ(rig.server.onlyPut(), GetParam().record);
    EXPECT_EQ(rig.server.calls().at(0).member, "WindowControl");
    EXPECT_EQ(rig.session.textBox(), "<Object>.WindowControl = (data)");
    EXPECT_EQ(rig.session.inBox(), "untouched");
    EXPECT_EQ(rig.session.recordData, Value::string(GetParam().record));
    const auto& q = rig.prompter.shown().at(0);
    EXPECT_EQ(q.text, "Do you want Vantrel visible?");
    EXPECT_EQ(q.title, "WindowControl Select");
}
INSTANTIATE_TEST_SUITE_P(Replies, WindowControlTest,
                         ::testing::Values(WindowControlCase{"Visible", true, lit("Visible\r\n\0")},
                                           WindowControlCase{"Hidden", false, lit("Hide\r\n\0")}),
                         vantrel::test_names::ByName{});

TEST(HelpButton, CallsInvokeHelpFileAndTouchesNoBox)
{
    SessionRig rig;
    rig.session.setTextBox("t");
    rig.session.setInBox("i");
    rig.server.answer("InvokeHelpFile", Value::int16(0));
    EXPECT_TRUE(runHandler(rig.session, shell::invokeHelpFile));
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].access, Access::Call);
    EXPECT_FALSE(rig.server.calls()[0].value.has_value());
    EXPECT_EQ(rig.session.textBox(), "t");
    EXPECT_EQ(rig.session.inBox(), "i");
}

TEST(HelpButton, NonNumericAnswerIsReported)
{
    SessionRig rig;
    rig.server.answer("InvokeHelpFile", Value::string("help?"));
    EXPECT_FALSE(runHandler(rig.session, shell::invokeHelpFile));
    EXPECT_EQ(rig.prompter.messages().at(0).rfind("Error 13: ", 0), 0u);
}

struct ClickCase {
    const char* name;
    int n;
    std::string pump, fpText;
};
class SelectorClickTest : public ::testing::TestWithParam<ClickCase> {};
TEST_P(SelectorClickTest, SetsPosition)
{
    SessionRig rig;
    rig.session.setInBox("keep");
    shell::selectorClick(rig.session, GetParam().n);
    EXPECT_EQ(rig.session.fp(), GetParam().n);
    EXPECT_EQ(rig.session.fpText(), GetParam().fpText);
    EXPECT_EQ(rig.session.box(Box::TextBoxPumpNumber), GetParam().pump);
    EXPECT_EQ(rig.session.inBox(), "keep");
    EXPECT_TRUE(rig.server.calls().empty());
}
INSTANTIATE_TEST_SUITE_P(Positions, SelectorClickTest,
                         ::testing::Values(ClickCase{"Position1", 1, "Fueling Position -> 1", "01"},
                                           ClickCase{"Position3", 3, "Fueling Position -> 3", "03"},
                                           ClickCase{"Position12", 12, "Fueling Position -> 12", "12"},
                                           ClickCase{"Position32", 32, "Fueling Position -> 32", "32"}),
                         vantrel::test_names::ByName{});

TEST(Selector, FocusReadsOwnPositionNotTheCurrentOne)
{
    SessionRig rig;
    shell::selectorClick(rig.session, 12);
    rig.server.answer("FuelingPositionInformation", Value::string("info 5"));
    shell::selectorGotFocus(rig.session, 5);
    ASSERT_EQ(rig.server.calls().size(), 1u);
    EXPECT_EQ(rig.server.calls()[0].value, Value::int16(5));
    EXPECT_EQ(rig.session.inBox(), "info 5");
    EXPECT_EQ(rig.session.textBox(), "<returned data>=<Object>.FuelingPositionInformation(passed data)");
    EXPECT_EQ(rig.session.fp(), 12);
    EXPECT_EQ(rig.session.fpText(), "12");
    EXPECT_EQ(rig.windows.colour("VantrelTest", "ButtLab5"), colours::Red);
    shell::selectorLostFocus(rig.session, 5);
    EXPECT_EQ(rig.windows.colour("VantrelTest", "ButtLab5"), colours::LightYellow);
}

TEST(Selector, PositionOneUsesParentheses)
{
    SessionRig rig;
    shell::selectorGotFocus(rig.session, 1);
    EXPECT_EQ(rig.session.textBox(), "(returned data)=<Object>.FuelingPositionInformation(passed data)");
}

TEST(Selector, DoubleClickReadsWithoutDescription)
{
    SessionRig rig;
    rig.session.setTextBox("before");
    shell::selectorDoubleClick(rig.session, 7);
    EXPECT_EQ(rig.session.textBox(), "before");
    EXPECT_EQ(rig.server.calls().at(0).value, Value::int16(7));
}

TEST(Selector, FailingReadLeavesLabelRedAndDescription)
{
    SessionRig rig;
    rig.session.setInBox("old");
    rig.server.fail("FuelingPositionInformation", 1003, "Position outside 01 to 32");
    EXPECT_FALSE(runHandler(rig.session, [](Session& s) { shell::selectorGotFocus(s, 9); }));
    EXPECT_EQ(rig.windows.colour("VantrelTest", "ButtLab9"), colours::Red);
    EXPECT_EQ(rig.session.textBox(), "<returned data>=<Object>.FuelingPositionInformation(passed data)");
    EXPECT_EQ(rig.session.inBox(), "old");
}
