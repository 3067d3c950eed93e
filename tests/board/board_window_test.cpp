// The board window inside the utility: opened from the View menu, it
// listens only while shown, redraws on the simulator's notification, and its
// customer buttons feed the queues the main window's buttons read.
#include "board/board_window.h"
#include "support/running_utility.h"

#include "forecourt/site_file.h"
#include "server/conversions.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTest>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <cstdio>

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

// The board window, shown from the main window as its menu does.
board::BoardWindow* shownBoard(MainWindow& main)
{
    main.showBoard();
    return main.boardWindow();
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

// Esc closes the utility's board, from the pumps or from the customer bar, as it closes its other windows.
TEST(BoardWindow, EscClosesIt)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    for (const char* from : {"siteCanvas", "keys"}) {
        board::BoardWindow* b = shownBoard(main);
        ASSERT_TRUE(b);
        ASSERT_TRUE(b->isVisible());
        QWidget* focus = b->findChild<QWidget*>(from);
        ASSERT_TRUE(focus) << from;
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_FALSE(b->isVisible()) << "Esc in " << from;
        EXPECT_FALSE(b->listening());
    }
}

TEST(BoardWindow, CustomerButtonsActAtTheSelectedPosition)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.selectorButton(9)->setChecked(true);
    main.selectorClicked(9);
    board::BoardWindow* b = shownBoard(main);
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

// A click on a pump of the embedded board, or Enter or Space on the tile
// with the focus, tells the main window which position was chosen, which
// selects it as a click on its selector button does (the same calls, the
// same line in a saved session); the board follows the main window.
TEST(BoardWindow, AChosenPumpIsToldToItsOwner)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    board::BoardWindow* b = shownBoard(main);
    ASSERT_TRUE(b);
    QSignalSpy chosen(b, &board::BoardWindow::positionChosen);
    QWidget* canvas = b->findChild<QWidget*>("siteCanvas");
    ASSERT_TRUE(canvas);
    EXPECT_TRUE(canvas->toolTip().startsWith("Click a pump to select it")) << canvas->toolTip().toStdString();
    const board::Rect tile = b->sections().tiles[11];
    const double s = b->sections().scale;
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(static_cast<int>((tile.x + tile.width / 2) * s), static_cast<int>((tile.y + tile.height / 2) * s)));
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.takeFirst().at(0).toInt(), 12);
    EXPECT_EQ(u.app->session().fpText(), "12");
    EXPECT_EQ(main.pumpNumberBox()->text(), "Fueling Position -> 12");
    EXPECT_TRUE(main.selectorButton(12)->isChecked());
    EXPECT_EQ(main.selectorFocus(), 12);
    QApplication::processEvents();
    EXPECT_EQ(b->selectedPosition(), 12);
    const auto& calls = u.app->journal().entries();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().call.member, "FuelingPositionInformation");
    EXPECT_EQ(calls.back().call.control, "Button12");
    EXPECT_NE(u.app->recorder().script().find("select 12"), std::string::npos) << u.app->recorder().script();
    // From the keyboard: the focus moves from the clicked tile, Enter and Space choose.
    canvas->setFocus();
    QTest::keyClick(canvas, Qt::Key_Right);
    QTest::keyClick(canvas, Qt::Key_Return);
    QTest::keyClick(canvas, Qt::Key_Down);
    QTest::keyClick(canvas, Qt::Key_Space);
    ASSERT_EQ(chosen.count(), 2);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 13);
    EXPECT_EQ(chosen.at(1).at(0).toInt(), 21);
    EXPECT_EQ(u.app->session().fpText(), "21");
    // A click between the tiles chooses nothing.
    QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(chosen.count(), 2);
}

// Every customer control has a name a screen reader says, Tab walks them in
// the order of the bar, and Enter presses a button as Space does.
TEST(BoardWindow, TheCustomerControlsAreNamedAndReachedByTab)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    board::BoardWindow* b = shownBoard(main);
    ASSERT_TRUE(b);
    const std::vector<std::pair<const char*, const char*>> order = {
        {"siteCanvas", "Fueling positions"}, {"liftNozzle", "Lift the nozzle"}, {"hangNozzle", "Hang up the nozzle"},
        {"testCard", "Test card"},           {"insertCard", "Insert the test card"}, {"keys", "Keys to press"},
        {"pressKeys", "Press the keys"},     {"cash", "Cash amount"},           {"insertCash", "Insert the cash"},
        {"takeWash", "Enter the wash code"}};
    QWidget* w = b->findChild<QWidget*>(order.front().first);
    for (const auto& [name, spoken] : order) {
        ASSERT_TRUE(w);
        EXPECT_EQ(w->objectName().toStdString(), name);
        EXPECT_EQ(w->accessibleName().toStdString(), spoken) << name;
        EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << name;
        w = w->nextInFocusChain();
        while (w && !(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
    }
    auto* cash = b->findChild<QPushButton*>("insertCash");
    QTest::keyClick(cash, Qt::Key_Return);
    EXPECT_EQ(b->answer(), "cash 20 at 01");
    b->findChild<QLineEdit*>("cash")->setText("5");
    QTest::keyClick(b->findChild<QLineEdit*>("cash"), Qt::Key_Enter);
    EXPECT_EQ(b->view().reader.queues[2].caption, "Cash (2)");
}

// The board opens whole inside its screen's available area, frame and all,
// even on a screen smaller than it would like (the offscreen screen is 800x600).
TEST(BoardWindow, OpensWholeOnItsScreen)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    board::BoardWindow* b = shownBoard(main);
    ASSERT_TRUE(b);
    const QRect area = b->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(b->frameGeometry())) << b->frameGeometry().width() << "x" << b->frameGeometry().height();
    auto* bar = b->findChild<QWidget*>("customerBar");
    ASSERT_TRUE(bar);
    EXPECT_TRUE(b->rect().contains(QRect(bar->mapTo(b, QPoint(0, 0)), bar->size())));
    for (auto* button : bar->findChildren<QPushButton*>())
        EXPECT_TRUE(b->rect().contains(QRect(button->mapTo(b, QPoint(0, 0)), button->size()))) << button->objectName().toStdString();
    // Narrower than one row of the bar: it folds onto two, and the drawing is scaled to the room left.
    b->resize(b->barNeeds().twoRows.width, 500);
    QApplication::processEvents();
    EXPECT_TRUE(b->barFolded());
    EXPECT_LT(b->sections().scale, 1.0);
    for (auto* button : bar->findChildren<QPushButton*>())
        EXPECT_TRUE(b->rect().contains(QRect(button->mapTo(b, QPoint(0, 0)), button->size()))) << button->objectName().toStdString();
}

// A board of its own (vantrel-board, vantrel-forecourt --board) on a site
// whose pump 1 is not installed: without --position it starts at the
// site's first pump; a position asked for stays selected, and where the
// site has no pump there the answer line says so once, not on every redraw.
struct StartCase {
    const char* name;
    int asked; // --position; 0 when not given
    int selected;
    const char* said; // the start of the answer line; "" for nothing said
};

class BoardOfItsOwn : public ::testing::TestWithParam<StartCase> {};

TEST_P(BoardOfItsOwn, StartsAtAnInstalledPumpOrSaysThereIsNone)
{
    const auto site = forecourt::parseSiteFile(R"({"positions": [{"position": 3}, {"position": 4}, {"position": 9}]})");
    ASSERT_TRUE(site.config) << site.error.message();
    forecourt::ForecourtServer server;
    forecourt::applySite(server, *site.config);
    board::BoardWindow b(std::make_unique<board::EmbeddedSite>(server), nullptr);
    b.startAt(GetParam().asked);
    b.show();
    QApplication::processEvents();
    EXPECT_EQ(b.selectedPosition(), GetParam().selected);
    char reader[16];
    std::snprintf(reader, sizeof reader, "Reader %02d", GetParam().selected);
    EXPECT_EQ(b.view().reader.caption, reader);
    EXPECT_TRUE(b.view().tiles[static_cast<std::size_t>(GetParam().selected - 1)].selected);
    if (*GetParam().said)
        EXPECT_TRUE(b.answer().startsWith(QString::fromUtf8(GetParam().said))) << b.answer().toStdString();
    else
        EXPECT_TRUE(b.answer().isEmpty()) << b.answer().toStdString();
    // Said once: a later line stays through the redraws that follow.
    b.setFault("position 33 offline");
    const QString later = b.answer();
    b.refresh();
    server.put("Price", Value::string(std::string("FuelingPosition=03\r\nHose=1\r\nTier1=1.459\r\nTier2=1.399\r\n") + '\0'));
    QApplication::processEvents();
    EXPECT_EQ(b.answer(), later);
    // A pump chosen by the technician is where the board stays.
    b.choosePosition(9);
    EXPECT_EQ(b.selectedPosition(), 9);
}

INSTANTIATE_TEST_SUITE_P(
    Sites, BoardOfItsOwn,
    ::testing::Values(StartCase{"noPositionGiven", 0, 3, ""}, StartCase{"anInstalledOneAsked", 4, 4, ""},
                      StartCase{"theFirstAsked", 1, 1, "\u26A0 --position 1: the site has no pump at 01"},
                      StartCase{"aMissingOneAsked", 7, 7, "\u26A0 --position 7: the site has no pump at 07"}),
    [](const auto& info) { return std::string(info.param.name); });

// The keys field shows its placeholder whole in whatever face the desktop
// gives the board (a theme's larger one too): as much room for text as
// QLineEdit leaves inside its frame and margins.
class KeysField : public ::testing::TestWithParam<int> {};

TEST_P(KeysField, ShowsItsPlaceholderWhole)
{
    forecourt::ForecourtServer server;
    board::BoardWindow b(std::make_unique<board::EmbeddedSite>(server), nullptr);
    QFont font = b.font();
    font.setPointSize(GetParam());
    b.setFont(font);
    b.show();
    QApplication::processEvents();
    auto* keys = b.findChild<QLineEdit*>("keys");
    ASSERT_TRUE(keys);
    QStyleOptionFrame option;
    option.initFrom(keys);
    option.lineWidth = keys->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, keys);
    const QRect contents = keys->style()->subElementRect(QStyle::SE_LineEditContents, &option, keys) - keys->textMargins();
    const int room = contents.width() - 2 * 2; // QLineEdit keeps 2 pixels either side of its text
    EXPECT_GE(room, QFontMetrics(keys->font()).horizontalAdvance(keys->placeholderText()))
        << GetParam() << " pt: a field of " << keys->width() << " pixels";
}

INSTANTIATE_TEST_SUITE_P(Faces, KeysField, ::testing::Values(8, 11, 16),
                         [](const auto& info) { return std::to_string(info.param) + "pt"; });

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
