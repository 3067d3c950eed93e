// The main window built offscreen: its controls, start-up state and the
// selector's events as the platform raises them.
#include "support/running_utility.h"
#include "support/session_rig.h"

#include "app/application.h"
#include "app/status_line.h"
#include "widgets/box_binding.h"
#include "widgets/progress_window.h"
#include "widgets/window_placement.h"
#include "inspector/marked_text.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <QLabel>
#include <QMenuBar>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

using namespace vantrel;
using namespace vantrel::test;

namespace {

using Started = RunningUtility;

QString labelColour(QWidget* w)
{
    const QColor c = w->palette().color(QPalette::Window);
    return QStringLiteral("rgb(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

} // namespace

TEST(Startup, TitlePositionAndBoxes)
{
    Started s;
    ASSERT_NE(s.app, nullptr);
    MainWindow& w = s.app->mainWindow();
    EXPECT_EQ(w.windowTitle(), MainWindow::titleFor(QDate::currentDate()));
    EXPECT_TRUE(w.windowTitle().startsWith("Vantrel Test Utility  ("));
    EXPECT_TRUE(w.windowTitle().endsWith(")"));
    EXPECT_EQ(s.app->session().fp(), 1);
    EXPECT_EQ(s.app->session().fpText(), "01");
    EXPECT_EQ(s.app->session().stressActive, 0);
    EXPECT_EQ(w.pumpNumberBox()->text(), "Fueling Position -> 1");
    EXPECT_EQ(w.textBox()->text(), "Function Box");
    EXPECT_TRUE(w.inBox()->toPlainText().isEmpty());
    EXPECT_TRUE(w.selectorButton(1)->isChecked());
    // The client area keeps its size, with the menu bar above it and the status line below.
    const QRect client = w.client()->geometry();
    EXPECT_EQ(client.size(), QSize(577, 524));
    EXPECT_EQ(w.menuBar()->geometry().bottom() + 1, client.top());
    EXPECT_GT(client.top(), 0);
    EXPECT_EQ(w.statusLine()->geometry().top(), client.bottom() + 1);
    EXPECT_EQ(w.size(), QSize(577, w.statusLine()->geometry().bottom() + 1));
    EXPECT_EQ(w.inBox()->parentWidget(), w.client());
}

TEST(Startup, TitleCarriesTheDate)
{
    const QDate date(2026, 12, 8);
    const QString title = MainWindow::titleFor(date);
    EXPECT_TRUE(title.contains(QLocale::system().toString(date, QLocale::ShortFormat)));
}

TEST(Startup, UnknownIdentifierReportsAndOpensNoWindow)
{
    AutomationRegistry registry;
    QueuedPrompter prompter;
    ImmediateWaiter waiter;
    auto app = Application::start(registry, "No.Such.Server", prompter, waiter);
    EXPECT_EQ(app, nullptr);
    ASSERT_EQ(prompter.messages().size(), 1u);
    EXPECT_EQ(prompter.messages()[0].rfind("Error 429: ", 0), 0u);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(), QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return w->isVisible(); }));
}

TEST(MainWindowControls, NamesAreUniqueAndCaptionsExact)
{
    Started s;
    std::set<std::string> names;
    for (const auto& spec : s.app->mainWindow().controls())
        EXPECT_TRUE(names.insert(spec.name).second) << spec.name;
    // Part of the table: spot checks of captions, places and colours.
    auto* stopAll = s.app->mainWindow().button("STOP_ALL");
    ASSERT_NE(stopAll, nullptr);
    EXPECT_EQ(stopAll->geometry(), QRect(408, 432, 33, 25));
    EXPECT_EQ(s.app->mainWindow().findChild<QLabel*>("STOP_ALL_caption")->text(), "ALL");
    EXPECT_EQ(s.app->mainWindow().findChild<QLabel*>("ClearKeyEntry_caption")->text(), "ClearTopKeyQue");
    EXPECT_EQ(names.size(), 55u);
    for (int n = 1; n <= 32; ++n) {
        EXPECT_NE(s.app->mainWindow().findChild<QRadioButton*>(QString("Button%1").arg(n)), nullptr);
        EXPECT_NE(s.app->mainWindow().findChild<QLabel*>(QString("ButtLab%1").arg(n)), nullptr);
    }
    EXPECT_EQ(s.app->mainWindow().findChild<QRadioButton*>("Button17")->geometry().topLeft(), QPoint(520, 88));
}

TEST(MainWindowControls, ButtonsWithoutHandlerAreDisabled)
{
    Started s;
    for (const auto& spec : s.app->mainWindow().controls()) {
        auto* b = s.app->mainWindow().button(spec.name);
        if (!spec.handler) {
            EXPECT_FALSE(b->isEnabled()) << spec.name;
        }
    }
    EXPECT_TRUE(s.app->mainWindow().button("WindowControl")->isEnabled());
    EXPECT_TRUE(s.app->mainWindow().button("HELP_BUTTON")->isEnabled());
}

TEST(MainWindowView, InBoxShowsControlBytesAsMarks)
{
    Started s;
    s.app->session().setInBox(std::string("A\r\nB\n\0", 6));
    // Each control byte its own short mark; two marks in a row kept apart by a thin space.
    EXPECT_EQ(s.app->mainWindow().inBox()->toPlainText(), QString::fromUtf8("ACR\u2009LF\nBLF\nNUL"));
    EXPECT_EQ(s.app->session().inBox(), std::string("A\r\nB\n\0", 6));
}

TEST(MainWindowView, WindowControlPressedEndToEnd)
{
    Started s;
    s.prompter.queueReply(false);
    s.app->mainWindow().button("WindowControl")->click();
    auto& server = static_cast<forecourt::ForecourtServer&>(s.app->server());
    EXPECT_FALSE(server.windowVisible());
    EXPECT_EQ(s.app->mainWindow().textBox()->text(), "<Object>.WindowControl = (data)");
}

TEST(SelectorEvents, ClickGivesFocusThenSelects)
{
    Started s;
    MainWindow& w = s.app->mainWindow();
    w.show();
    QApplication::setActiveWindow(&w);
    QTest::mouseClick(w.selectorButton(7), Qt::LeftButton);
    EXPECT_EQ(s.app->session().fp(), 7);
    EXPECT_EQ(s.app->session().fpText(), "07");
    EXPECT_EQ(w.pumpNumberBox()->text(), "Fueling Position -> 7");
    EXPECT_TRUE(labelColour(w.findChild<QLabel*>("ButtLab7")).contains("rgb(255, 0, 0)"));
    EXPECT_TRUE(w.inBox()->toPlainText().contains("7"));
    QTest::mouseClick(w.selectorButton(3), Qt::LeftButton);
    EXPECT_TRUE(labelColour(w.findChild<QLabel*>("ButtLab7")).contains("rgb(255, 255, 128)"));
    EXPECT_EQ(s.app->session().fpText(), "03");
}

TEST(Startup, AppendsToInBoxShowTheWholeTextAndSayWhatWasDropped)
{
    Started s;
    MainWindow& w = s.app->mainWindow();
    s.app->session().setInBox("A\r\n");
    s.app->session().appendInBox(std::string("B\0\x1b\n", 4));
    QPlainTextEdit whole;
    showMarked(&whole, std::string("A\r\nB\0\x1b\n", 7));
    EXPECT_EQ(w.inBox()->toPlainText(), whole.toPlainText());
    const std::string line(4000, 'x');
    while (s.app->session().droppedBytes(Box::InBox) == 0)
        s.app->session().appendInBox(line + "\n");
    EXPECT_TRUE(w.inBox()->toPlainText().startsWith(droppedNote(s.app->session().droppedBytes(Box::InBox))));
}

// With the real windows: closing the iX CAT window in a wait stops the run
// after its step; a press in between starts nothing; the progress window
// shows the step from the first one.
TEST(LongRuns, ClosingTheWindowStopsTheSequenceAndNothingInterleaves)
{
    AutomationRegistry registry;
    RecordingServer* server = nullptr;
    registry.add("Test.Recording", [&server] {
        auto s = std::make_unique<RecordingServer>();
        server = s.get();
        return s;
    });
    QueuedPrompter prompter;
    ActingWaiter waiter;
    auto app = Application::start(registry, "Test.Recording", prompter, waiter);
    ASSERT_NE(app, nullptr);
    app->mainWindow().show();
    app->mainWindow().button("TEST_FUNCTION_BUTTON")->click();
    Form* tests = app->windows().window("TestFunctionForm");
    ASSERT_NE(tests, nullptr);
    tests->button("iXCatTest")->click();
    Form* ixcat = app->windows().window("iXCatTestForm");
    ASSERT_NE(ixcat, nullptr);
    QString shownStep;
    waiter.action = [&](int wait) {
        if (wait != 1)
            return;
        shownStep = app->mainWindow().progressWindow()->findChild<QLabel*>("runStep")->text();
        ixcat->close();
        tests->button("GILB_EMVPrint")->click(); // refused: the run is still in its step
    };
    ixcat->button("SPECIAL_TEST")->click();
    EXPECT_FALSE(ixcat->isVisible());
    EXPECT_EQ(shownStep, QString::fromUtf8("Step 1 of 37: Status queries 1 of 25 \u00b7 about 65 s left"));
    EXPECT_FALSE(app->mainWindow().progressWindow()->isVisible());
    std::vector<std::string> members;
    for (const auto& call : server->calls())
        members.push_back(call.member);
    EXPECT_EQ(members, (std::vector<std::string>{"FuelingPositionInformation", "QueCountQuery"}));
    ASSERT_FALSE(prompter.messages().empty());
    EXPECT_EQ(prompter.messages().back(),
              "\"Special Test Multi Packets\" was stopped after step 1 of 37 (Status queries 1 of 25). Nothing more was sent.");
}

TEST(MainWindowView, TheDescriptionBoxShowsItsWholeText)
{
    Started s;
    MainWindow& w = s.app->mainWindow();
    const std::string longest = "(return data)=<Object>.DispenserInformation (passed data)";
    s.app->session().setTextBox(longest);
    EXPECT_LE(QFontMetrics(w.textBox()->font()).horizontalAdvance(w.textBox()->text()), w.textBox()->width());
    EXPECT_EQ(w.textBox()->toolTip().toStdString(), longest);
    // A short text gets the box's own face back.
    s.app->session().setTextBox("Function Box");
    EXPECT_GT(w.textBox()->font().pointSizeF(), 7.0);
}

TEST(MainWindowView, TheFirstClickIntoAnInactiveWindowDoesTheFocusWork)
{
    Started s;
    MainWindow& w = s.app->mainWindow();
    w.show();
    if (w.isActiveWindow())
        GTEST_SKIP() << "this platform activates a window as it shows it";
    QTest::mouseClick(w.selectorButton(9), Qt::LeftButton);
    EXPECT_EQ(s.app->session().textBox(), "<returned data>=<Object>.FuelingPositionInformation(passed data)");
    EXPECT_EQ(s.app->session().fpText(), "09");
    EXPECT_NE(s.app->session().inBox().find("FuelingPosition=9"), std::string::npos) << s.app->session().inBox();
}

TEST(MainWindowView, TheStatusLineNumbersEveryCallAndCountsStressCalls)
{
    Started s;
    MainWindow& w = s.app->mainWindow();
    w.setServerDescription("Vantrel.Application (embedded)");
    w.button("DispenserInfo")->click();
    w.button("DispenserInfo")->click();
    EXPECT_TRUE(w.statusLine()->toolTip().contains(QString::fromUtf8("#2 get DispenserInformation(1) \u2192 ")))
        << w.statusLine()->toolTip().toStdString();
    w.button("STRESS_BUTTON")->click();
    for (int i = 0; i < 3; ++i)
        w.fireTimer("Timer1");
    EXPECT_TRUE(w.statusLine()->toolTip().contains("stress: 6 calls, last #8 put KeyPadConfiguration"))
        << w.statusLine()->toolTip().toStdString();
    EXPECT_TRUE(w.statusLine()->toolTip().startsWith("Server: Vantrel.Application (embedded)"));
}
