// The board window inside the utility: opened from the View menu, it
// listens only while shown, redraws on the simulator's notification, and its
// customer buttons feed the queues the main window's buttons read.
#include "board/board_window.h"
#include "support/running_utility.h"

#include "server/conversions.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::test;

namespace {

QAction* forecourtAction(MainWindow& main)
{
    for (QAction* a : main.viewMenu()->actions())
        if (a->objectName() == "actionForecourt")
            return a;
    return nullptr;
}

TEST(BoardWindow, OpensFromTheViewMenuAndListensOnlyWhileShown)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    QAction* action = forecourtAction(main);
    ASSERT_TRUE(action);
    EXPECT_TRUE(action->isEnabled());
    EXPECT_EQ(action->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(main.boardWindow(), nullptr); // nothing made before it is asked for
    action->trigger();
    board::BoardWindow* b = main.boardWindow();
    ASSERT_TRUE(b);
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(b->windowTitle(), "Forecourt");
    EXPECT_TRUE(b->listening());
    EXPECT_EQ(b->view().tiles.size(), 32u);
    EXPECT_TRUE(b->view().tiles[0].selected);

    // A call changes the site: the board redraws from the notification.
    u.app->server().put("Authorize", Value::string(std::string("FuelingPosition=01\r\nHose=1\r\nMOP=1\r\nLimit=001000\r\n") + '\0'));
    QApplication::processEvents();
    EXPECT_EQ(b->view().tiles[0].state, "Authorised");

    b->hide();
    EXPECT_FALSE(b->listening());
    u.app->server().put("Deauthorize", Value::string("01"));
    QApplication::processEvents();
    EXPECT_EQ(b->view().tiles[0].state, "Authorised"); // closed: it read nothing
}

TEST(BoardWindow, CustomerButtonsActAtTheSelectedPosition)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.selectorButton(9)->setChecked(true);
    main.selectorClicked(9);
    main.showBoard();
    board::BoardWindow* b = main.boardWindow();
    ASSERT_TRUE(b);
    EXPECT_EQ(b->view().reader.caption, "Reader 09");
    b->findChild<QPushButton*>("insertCash")->click();
    EXPECT_EQ(b->answer(), "cash 20 at 09");
    EXPECT_EQ(b->view().reader.queues[2].caption, "Cash (1)");
    b->findChild<QPushButton*>("liftNozzle")->click();
    EXPECT_EQ(b->view().tiles[8].state, "Calling");
    b->act("card chip"); // the chip reader is off
    EXPECT_TRUE(b->answer().contains("disabled")) << b->answer().toStdString();
}

} // namespace

#include "app/script_runner.h"

#include <sstream>

namespace {

// A script's customer line runs against the embedded site; one the site
// refuses stops the script (status 2) with the reason.
TEST(CustomerScript, ActsOnTheSiteOrStopsWithTheReason)
{
    AutomationRegistry registry;
    forecourt::registerForecourtServer(registry);
    ScriptRunOptions options;
    options.progId = forecourt::kProgId;
    std::ostringstream out;
    EXPECT_EQ(runScriptText("ok", "customer cash 4 10\npress CashIn\nexpect InBox contains CashAmount=20.00\n", registry, options, out).status, 0)
        << out.str(); // reader 02's seeded cash comes first
    std::ostringstream refused;
    const auto r = runScriptText("chip", "customer card 5 chip\npress CardQue\n", registry, options, refused);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(refused.str().find("chip:1: the customer cannot do that: the chip reader at 05 is disabled"), std::string::npos)
        << refused.str();
}

} // namespace
