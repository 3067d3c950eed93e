// Faults inside the utility: the board sets them and shows them, the
// session records them as fault lines, and a script's fault lines set them
// on the embedded site or stop with the reason.
#include "board/board_window.h"
#include "support/running_utility.h"

#include "app/script_runner.h"
#include "app/server_choice.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace vantrel;
using namespace vantrel::test;
using board::CanvasSpot;

namespace {

TEST(BoardFaults, AreSetFromTheBoardShownOnItAndRecorded)
{
    RunningUtility u;
    MainWindow& main = u.app->mainWindow();
    main.showBoard();
    board::BoardWindow* b = main.boardWindow();
    ASSERT_TRUE(b);
    b->setFault("position 3 offline");
    QApplication::processEvents();
    EXPECT_EQ(b->answer(), "position 3 offline");
    EXPECT_EQ(b->view().tiles[2].fault, "offline");
    EXPECT_EQ(b->view().tiles[3].fault, "");

    const auto pump = b->faultMenus({CanvasSpot::Kind::Pump, 3});
    ASSERT_EQ(pump.size(), 1u);
    EXPECT_TRUE(pump[0][0].set); // offline, checked
    EXPECT_EQ(pump[0].back().fault, "clear position 3");
    const auto reader = b->faultMenus({CanvasSpot::Kind::Reader, 0});
    ASSERT_EQ(reader.size(), 1u);
    EXPECT_EQ(reader[0][0].fault, "reader 1 offline"); // the reader the board shows
    EXPECT_EQ(b->faultMenus({CanvasSpot::Kind::Sign, 0}).size(), 2u); // one part per member of the sign

    // A value typed wrong is said, and is no action of the session.
    b->setFault("position 3 stop-at five");
    EXPECT_EQ(b->answer(), "\u26A0 stop-at takes an amount above 0 such as 5 or 12.50, not \"five\"");
    b->setFault("member Nothing slow 5"); // reads, but the site has no such member
    EXPECT_EQ(b->answer(), "\u26A0 the site has no member \"Nothing\"");
    const std::string script = u.app->recorder().script();
    EXPECT_NE(script.find("fault position 3 offline\n"), std::string::npos) << script;
    EXPECT_EQ(script.find("stop-at five"), std::string::npos) << script;
}

struct ScriptRun {
    int status;
    std::string out;
};

ScriptRun runEmbedded(const std::string& name, const std::string& script, const std::string& saveSession = {})
{
    AutomationRegistry registry;
    std::string reason;
    const auto server = chooseServer(registry, forecourt::kProgId, std::chrono::milliseconds(5000), true, reason);
    ScriptRunOptions options;
    options.progId = server->progId;
    options.advance = server->advance;
    options.saveSession = saveSession;
    std::ostringstream out;
    const int status = runScriptText(name, script, registry, options, out).status;
    return {status, out.str()};
}

TEST(FaultScript, SetsTheFaultWhichTheSavedSessionSetsAgain)
{
    QTemporaryDir dir;
    const std::string saved = dir.filePath("session.vts").toStdString();
    const ScriptRun run = runEmbedded("faults",
                                "fault position 3 error 42\n"
                                "get FuelingPositionInformation int16 3\n"
                                "expect result contains DeviceError=42\n"
                                "fault clear position 3\n"
                                "get FuelingPositionInformation int16 3\n"
                                "expect result is FuelingPosition=3\\r\\nState=Idle\n",
                                saved);
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("fault: position 3 error 42\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("fault: clear position 3: 1 fault cleared\n"), std::string::npos) << run.out;
    std::ifstream file(saved);
    const std::string session((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto set = session.find("fault position 3 error 42\n");
    EXPECT_NE(set, std::string::npos) << session;
    EXPECT_NE(session.find("fault clear position 3\n", set), std::string::npos) << session;
    EXPECT_EQ(runEmbedded("again", session).status, 0) << session;
}

// A fault the site refuses when its line runs stops the script with the reason.
TEST(FaultScript, StopsWithTheSitesReason)
{
    const ScriptRun run = runEmbedded("bad", "fault tank 1 low\nfault member Nothing error 5\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("bad:2: the fault cannot be set: the site has no member \"Nothing\""), std::string::npos) << run.out;
}

} // namespace
