#include "suites_test_support.h"

#include "support/session_rig.h"

#include "app/script_runner.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"
#include "suites/suites_forms.h"
#include "suites/suites_windows.h"
#include "widgets/window_catalog.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

using namespace vantrel;
using namespace vantrel::suites;
using namespace vantrel::test;

namespace {

TEST(SuitesWindows, AreRegisteredWithTheirOwners)
{
    WindowCatalog catalog;
    registerWindows(catalog);
    struct Row {
        const char* name;
        const char* owner;
        const char* caption;
    };
    for (const Row& row : {Row{"TestFunctionForm", "VantrelTest", "Test Functions"},
                           Row{"GraphicsDisplay", "VantrelTest", "Graphics Display"},
                           Row{"iXCatTestForm", "TestFunctionForm", "iXCatTest"}}) {
        const WindowFactory* f = catalog.find(row.name);
        ASSERT_NE(f, nullptr) << row.name;
        EXPECT_EQ(f->owner, row.owner);
        SessionRig rig;
        std::unique_ptr<Form> form(f->create(rig.session, nullptr));
        EXPECT_EQ(form->objectName().toStdString(), row.name);
        EXPECT_EQ(form->windowTitle().toStdString(), row.caption);
    }
}

struct LayoutRow {
    const char* name;
    const char* caption;
    Twips at;
};
void PrintTo(const LayoutRow& c, std::ostream* os) { *os << c.name; }

class TestFunctionLayoutTest : public ::testing::TestWithParam<LayoutRow> {};

TEST_P(TestFunctionLayoutTest, ButtonStandsWhereTheLayoutPutsIt)
{
    SessionRig rig;
    TestFunctionForm form(rig.session, nullptr);
    EXPECT_EQ(form.size(), QSize(5610 / 15, 6750 / 15));
    QPushButton* b = form.button(GetParam().name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->geometry(), toPixels(GetParam().at));
    EXPECT_EQ(b->accessibleName().toStdString(), GetParam().caption);
    EXPECT_TRUE(b->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Controls, TestFunctionLayoutTest,
    ::testing::Values(LayoutRow{"iXCAT_DES_TEST", "iXCat DES Test", {120, 120, 1335, 495}},
                      LayoutRow{"SecialTests", "SPECIAL TESTS", {120, 720, 1335, 495}},
                      LayoutRow{"SET_IMAGE_BUTTON", "SET IMAGE", {120, 1320, 1335, 495}},
                      LayoutRow{"GILB_EMVPrint", "GILB EMV Print", {120, 2160, 1335, 495}},
                      LayoutRow{"GILBEmvBarcode", "GILB EMV Barcode", {120, 2760, 1335, 495}},
                      LayoutRow{"PRN_AND_BARCODE", "PRN and BARCODE", {120, 3480, 1335, 555}},
                      LayoutRow{"SCROLL_MSG", "GILB SCROLL", {120, 4200, 1335, 495}},
                      LayoutRow{"ORPAK_SIG_MSG", "ORPAK SIG MSG", {120, 5640, 1335, 495}},
                      LayoutRow{"ORPAK_LARGE_RECEIPT_BUTTON", "ORPAK Large Receipt", {1680, 5640, 1455, 495}},
                      LayoutRow{"iXCatTest", "Test iXCat", {4080, 120, 1335, 495}},
                      LayoutRow{"Chopped1KDisplay", "Chopped 1K msg", {4080, 4440, 1335, 495}},
                      LayoutRow{"DisplayMsg1K", "1K Display Msgs", {4080, 5040, 1335, 495}},
                      LayoutRow{"BarCodePrintButton", "Bar Code Print", {4080, 5640, 1455, 495}},
                      LayoutRow{"EXIT_BUTTON", "EXIT", {600, 6240, 1095, 495}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TestFunctionForm, TestNumberSurvivesHidingTheWindow)
{
    SessionRig rig;
    rig.select(7);
    TestFunctionForm form(rig.session, nullptr);
    EXPECT_EQ(form.state().jobNum, 1);
    form.button("GILB_EMVPrint")->click();
    form.button("GILB_EMVPrint")->click();
    form.button("EXIT_BUTTON")->click();
    EXPECT_EQ(rig.windows.history().back(), (std::pair<std::string, bool>{"TestFunctionForm", false}));
    rig.windows.showWindow("TestFunctionForm");
    form.button("PRN_AND_BARCODE")->click();
    const auto receipts = rig.server.putsTo("PrintOutput");
    ASSERT_EQ(receipts.size(), 4u);
    EXPECT_NE(receipts[0].find("Test Number =  1\r\n"), std::string::npos);
    EXPECT_NE(receipts[1].find("Test Number =  2\r\n"), std::string::npos);
    EXPECT_NE(receipts[2].find("Test Number =  3\r\n"), std::string::npos);
    EXPECT_EQ(form.state().jobNum, 4);
}

TEST(TestFunctionForm, TestIxCatOpensTheIxCatWindow)
{
    SessionRig rig;
    TestFunctionForm form(rig.session, nullptr);
    form.button("iXCatTest")->click();
    EXPECT_TRUE(rig.windows.isShown("iXCatTestForm"));
    EXPECT_TRUE(rig.server.calls().empty());
}

TEST(TestFunctionForm, ImageFileIsLookedForNextToTheExecutable)
{
    SessionRig rig;
    TestFunctionForm form(rig.session, nullptr);
    ASSERT_EQ(form.state().imagePaths.size(), 2u);
    EXPECT_EQ(form.state().imagePaths[0], (QCoreApplication::applicationDirPath() + "/FP_blk.hex").toStdString());
    EXPECT_EQ(form.state().imagePaths[1].substr(form.state().imagePaths[1].size() - 24), "/vantrel-test/FP_blk.hex");
}

TEST(GraphicsDisplayForm, ButtonsFitTheWindowWithoutOverlapping)
{
    SessionRig rig;
    GraphicsDisplayForm form(rig.session, nullptr);
    const auto& rows = form.controls();
    ASSERT_EQ(rows.size(), 11u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const QRect r = form.button(rows[i].name)->geometry();
        EXPECT_TRUE(form.rect().contains(r)) << rows[i].name;
        for (std::size_t j = i + 1; j < rows.size(); ++j)
            EXPECT_FALSE(r.intersects(form.button(rows[j].name)->geometry())) << rows[i].name << " " << rows[j].name;
    }
}

// A waiter that ticks the window's timer until the counter is 0, counting the ticks.
class TickingWaiter : public Waiter {
public:
    Form* form = nullptr;
    long long ticks = 0;
    void wait(std::int16_t& counter, int n) override
    {
        counter = static_cast<std::int16_t>(n);
        while (counter != 0) {
            ASSERT_TRUE(form->fireTimer("Timer1"));
            ++ticks;
        }
    }
};

TEST(IxCatTestForm, ButtonsTimerAndWaitsInTimerTicks)
{
    RecordingServer server;
    QueuedPrompter prompter;
    RecordingWindowHost windows;
    TickingWaiter waiter;
    Session session(server, prompter, windows, waiter);
    IxCatTestForm form(session, nullptr);
    waiter.form = &form;

    EXPECT_EQ(form.windowTitle(), "iXCatTest");
    EXPECT_EQ(form.button("IXCAT_TEST_BUTTON")->accessibleName(), "MULTI COMMANDS");
    EXPECT_EQ(form.button("SPECIAL_TEST")->accessibleName(), "Special Test Multi Packets");
    EXPECT_EQ(form.button("EXIT_BUTTON")->accessibleName(), "Exit");
    auto* timer = form.findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 1);
    EXPECT_TRUE(timer->isActive());

    form.button("IXCAT_TEST_BUTTON")->click();
    EXPECT_EQ(waiter.ticks, 600);
    EXPECT_EQ(form.state().waitCounter, 0);
    EXPECT_EQ(server.putsTo("PacketQueOutput").size(), 3u);
    form.button("SPECIAL_TEST")->click();
    EXPECT_EQ(waiter.ticks, 600 + 65000);

    form.button("EXIT_BUTTON")->click();
    EXPECT_EQ(windows.history().back(), (std::pair<std::string, bool>{"iXCatTestForm", false}));
}

// Scripts reach every button of the three windows by the names in their control tables.

int runScriptText(const std::string& script, std::string& output)
{
    AutomationRegistry registry;
    forecourt::registerForecourtServer(registry);
    std::ostringstream out;
    ScriptRunOptions options;
    options.progId = forecourt::kProgId;
    const int status = vantrel::runScriptText("suites.vts", script, registry, options, out).status;
    output = out.str();
    return status;
}

TEST(Scripts, EveryButtonOfTheSuitesWindowsIsPressable)
{
    TestFunctionState state;
    std::string script = "select 4\npress TEST_FUNCTION_BUTTON\n";
    for (const auto& row : testFunctionButtons(state)) {
        if (row.name == "iXCatTest" || row.name == "EXIT_BUTTON")
            continue;
        // No sample image lies next to the test program: the error is expected.
        if (row.name == "SET_IMAGE_BUTTON")
            script += "expect error 1601\n";
        script += "press " + row.name + "\n";
    }
    script += "press iXCatTest\npress IXCAT_TEST_BUTTON\npress SPECIAL_TEST\n"
              "press iXCatTestForm.EXIT_BUTTON\npress TestFunctionForm.EXIT_BUTTON\n";
    for (const auto& format : displayFormats())
        script += "press InfoDisplay\npress " + format.control + "\n";
    script += "press InfoDisplay\npress GraphicsDisplay.EXIT_BUTTON\n";
    std::string output;
    EXPECT_EQ(runScriptText(script, output), 0) << output;
    EXPECT_NE(output.find("PacketCount = 1911"), std::string::npos);
    // Reported, and the run goes on.
    EXPECT_NE(output.find("Error 1601: The image file cannot be read: "), std::string::npos);
}

class ExampleScriptTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ExampleScriptTest, Passes)
{
    std::ifstream in(std::string(SUITES_EXAMPLES) + "/" + GetParam());
    ASSERT_TRUE(in.good()) << GetParam();
    const std::string script{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::string output;
    EXPECT_EQ(runScriptText(script, output), 0) << output;
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleScriptTest,
                         ::testing::Values("ixcat_multi_commands.vts", "ixcat_special_test.vts"),
                         [](const auto& info) {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });

} // namespace
