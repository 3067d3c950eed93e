// The board of a simulator served on D-Bus: it follows changes another
// client makes, acts as the customer there, says when the simulator went
// away and reads the next one; inside the utility, View -> Forecourt opens it
// for a D-Bus server too. And vantrel-board's command line.
#include "board/board_options.h"
#include "board/board_window.h"
#include "board/bus_site.h"
#include "bus_fixture.h"
#include "support/running_utility.h"

#include "server/conversions.h"
#include "dbus/dbus_client.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::board;
namespace bustest = vantrel::dbus::test;
using bustest::waitFor;

namespace {
const Value kAuthorize7 = Value::string(bustest::kAuthorize7);

std::string tileState(const BoardWindow& b, int position)
{
    return b.view().tiles.size() == 32 ? b.view().tiles[static_cast<std::size_t>(position - 1)].state : "";
}

struct BoardOverBus : ::testing::Test {
    bustest::PrivateBus bus;
    std::unique_ptr<bustest::ServiceProcess> service = std::make_unique<bustest::ServiceProcess>(bus);
    std::unique_ptr<BoardWindow> board;
    void SetUp() override
    {
        ASSERT_TRUE(service->waitUntilServing()) << service->log().toStdString();
        board = std::make_unique<BoardWindow>(std::make_unique<BusSite>(bus.endpoint()), nullptr);
        board->show();
        ASSERT_TRUE(waitFor([&] { return board->view().tiles.size() == 32; })) << board->siteStatus().toStdString();
    }
};

TEST_F(BoardOverBus, FollowsTheSimulatorAndActsAsTheCustomer)
{
    dbus::DBusClient other(bus.endpoint());
    other.put("Authorize", kAuthorize7);
    EXPECT_TRUE(waitFor([&] { return tileState(*board, 7) == "Authorised"; }));

    board->selectPosition(7);
    EXPECT_TRUE(waitFor([&] { return board->view().reader.caption == "Reader 07"; }));
    board->findChild<QPushButton*>("insertCash")->click();
    EXPECT_TRUE(waitFor([&] { return board->answer() == "cash 20 at 07"; })) << board->answer().toStdString();
    EXPECT_TRUE(waitFor([&] { return board->view().reader.queues[2].caption == "Cash (1)"; }));
    // What the board did is what the simulator's members read.
    EXPECT_NE(toText(other.get("CashInQue", std::nullopt)).find("CashAmount=20.00"), std::string::npos);
    board->act("card chip"); // the chip reader is off: the site's own refusal
    EXPECT_TRUE(waitFor([&] { return board->answer().contains("disabled"); })) << board->answer().toStdString();
    EXPECT_TRUE(board->answer().startsWith(QChar(0x26A0)));
    EXPECT_FALSE(board->answer().contains("Vantrel.Error")) << board->answer().toStdString(); // told as the embedded site tells it

    board->hide();
    EXPECT_FALSE(board->listening());
    other.put("Deauthorize", Value::string("07"));
    QApplication::processEvents();
    EXPECT_EQ(tileState(*board, 7), "Authorised"); // closed: it read nothing
}

TEST_F(BoardOverBus, SaysWhenTheSimulatorWentAwayAndReadsTheNextOne)
{
    dbus::DBusClient(bus.endpoint()).put("Authorize", kAuthorize7);
    ASSERT_TRUE(waitFor([&] { return tileState(*board, 7) == "Authorised"; }));
    ASSERT_FALSE(board->offline());
    service.reset();
    // The name lost its owner: the board reads again by itself, and greys.
    ASSERT_TRUE(waitFor([&] { return board->siteStatus().startsWith(QChar(0x26A0)); }));
    EXPECT_TRUE(board->offline());
    EXPECT_TRUE(board->siteStatus().contains("Vantrel.Application at")) << board->siteStatus().toStdString();
    EXPECT_TRUE(board->siteStatus().contains(": error 462: ")) << board->siteStatus().toStdString(); // numbered as the utility's calls are
    EXPECT_EQ(tileState(*board, 7), "Authorised"); // the last picture stays
    // A customer action with nobody to take it says so, and the window goes on.
    board->act("cash 5");
    EXPECT_TRUE(waitFor([&] { return board->answer().startsWith(QChar(0x26A0)); })) << board->answer().toStdString();

    service = std::make_unique<bustest::ServiceProcess>(bus);
    ASSERT_TRUE(service->waitUntilServing());
    EXPECT_TRUE(waitFor([&] { return tileState(*board, 7) == "Idle"; })) << board->siteStatus().toStdString();
    EXPECT_FALSE(board->siteStatus().startsWith(QChar(0x26A0))) << board->siteStatus().toStdString();
    EXPECT_FALSE(board->offline()); // in colour again
}

TEST_F(BoardOverBus, OpensFromTheUtilityForADBusServer)
{
    AutomationRegistry registry;
    const std::string spec = "dbus:Vantrel.Application@" + bus.address().toStdString();
    ASSERT_TRUE(dbus::registerDBusServer(registry, spec));
    QueuedPrompter prompter;
    ImmediateWaiter waiter;
    auto app = Application::start(registry, spec, prompter, waiter);
    ASSERT_TRUE(app);
    app->mainWindow().selectorButton(9)->setChecked(true);
    app->mainWindow().selectorClicked(9);
    app->mainWindow().showBoard();
    BoardWindow* b = app->mainWindow().boardWindow();
    ASSERT_TRUE(b);
    EXPECT_TRUE(waitFor([&] { return b->view().reader.caption == "Reader 09"; })) << b->siteStatus().toStdString();
    // A call of the utility changes the site: the board follows.
    app->server().put("Authorize", Value::string(std::string("FuelingPosition=09\r\nHose=1\r\nMOP=1\r\nLimit=001000\r\n") + '\0'));
    EXPECT_TRUE(waitFor([&] { return tileState(*b, 9) == "Authorised"; }));
}

// Without a display the board says so and ends, rather than aborting in Qt.
TEST(BoardProgram, WithoutADisplaySaysSoAndEnds)
{
    QProcess board;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    board.setProcessEnvironment(env);
    board.start(VANTREL_BOARD_EXE, {"--position", "7"});
    ASSERT_TRUE(board.waitForFinished(10000));
    EXPECT_EQ(board.exitCode(), 1);
    EXPECT_TRUE(board.readAllStandardError().contains("no display to show the window on"));
}

// -platform names the display itself: the board then needs no DISPLAY.
TEST(BoardCommandLineQt, APlatformGivenNeedsNoDisplayVariable)
{
    const auto with = parseBoardOptions({"-platform", "offscreen"});
    ASSERT_TRUE(std::holds_alternative<BoardOptions>(with));
    EXPECT_TRUE(std::get<BoardOptions>(with).platformGiven);
    const auto without = parseBoardOptions({"-style", "Fusion"});
    ASSERT_TRUE(std::holds_alternative<BoardOptions>(without));
    EXPECT_FALSE(std::get<BoardOptions>(without).platformGiven);
}

struct OptionsCase {
    const char* name;
    std::vector<std::string> args;
    const char* error; // "" when the command line is good
    int position;
    std::chrono::milliseconds::rep timeoutMs;
};

class BoardCommandLine : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(BoardCommandLine, ParsesOrSaysWhy)
{
    const auto parsed = parseBoardOptions(GetParam().args);
    if (*GetParam().error) {
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed));
        EXPECT_NE(std::get<std::string>(parsed).find(GetParam().error), std::string::npos) << std::get<std::string>(parsed);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<BoardOptions>(parsed)) << std::get<std::string>(parsed);
    EXPECT_EQ(std::get<BoardOptions>(parsed).position, GetParam().position);
    EXPECT_EQ(std::get<BoardOptions>(parsed).timeout.count(), GetParam().timeoutMs);
}

INSTANTIATE_TEST_SUITE_P(
    Args, BoardCommandLine,
    ::testing::Values(OptionsCase{"none", {}, "", 0, 5000}, // 0: the site's first installed pump
                      OptionsCase{"positionAndTimeout", {"--position", "32", "--timeout=250"}, "", 32, 250},
                      OptionsCase{"server", {"--server", "dbus:Site.One@unix:path=/tmp/x", "--position=7"}, "", 7, 5000},
                      OptionsCase{"positionTooHigh", {"--position", "33"}, "a position from 1 to 32", 0, 0},
                      OptionsCase{"positionNotANumber", {"--position", "7x"}, "a position from 1 to 32", 0, 0},
                      OptionsCase{"noTimeout", {"--timeout", "0"}, "milliseconds from 1", 0, 0},
                      OptionsCase{"notDBus", {"--server", "tcp:host"}, "write dbus, dbus:NAME", 0, 0},
                      OptionsCase{"serverWithoutValue", {"--server"}, "Missing value after '--server'", 0, 0},
                      OptionsCase{"valueForAFlag", {"--help=yes"}, "Unexpected value after '--help'", 0, 0},
                      OptionsCase{"unknown", {"--board"}, "unknown option '--board'", 0, 0},
                      OptionsCase{"unknownSingleDash", {"-x"}, "unknown option '-x'", 0, 0},
                      OptionsCase{"argument", {"--position", "3", "7"}, "unexpected argument '7'", 0, 0},
                      // Qt's own options, as every Qt program takes them.
                      OptionsCase{"qtStyle", {"-style", "Fusion", "--position", "3"}, "", 3, 5000},
                      OptionsCase{"qtOptions", {"-platform", "offscreen", "-reverse", "-stylesheet=dark.qss", "-display", ":1"}, "", 0, 5000},
                      OptionsCase{"qtDoubleDash", {"--style=Fusion", "--timeout", "9"}, "", 0, 9}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
