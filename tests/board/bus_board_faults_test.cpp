// Faults on a simulator served on D-Bus: the board sets them through
// Vantrel.Simulator.Fault and shows them as it reads the site back, and a
// script's fault lines give the same answers over the bus as embedded.
#include "board/board_window.h"
#include "board/bus_site.h"
#include "bus_fixture.h"

#include "app/script_runner.h"
#include "app/server_choice.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vantrel;
namespace bustest = vantrel::dbus::test;
using bustest::waitFor;

namespace {

TEST(FaultsOverTheBus, TheBoardSetsThemAndShowsThem)
{
    bustest::PrivateBus bus;
    bustest::ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    board::BoardWindow b(std::make_unique<board::BusSite>(bus.endpoint()), nullptr);
    b.show();
    ASSERT_TRUE(waitFor([&] { return b.view().gauges.size() == 3; })) << b.siteStatus().toStdString();
    b.setFault("tank 2 water");
    EXPECT_TRUE(waitFor([&] { return b.view().gauges[1].fault == "water"; })) << b.answer().toStdString();
    EXPECT_EQ(b.answer(), "tank 2 water");
    b.setFault("member Nothing slow 5"); // the site's own refusal, told as the embedded site tells it
    EXPECT_TRUE(waitFor([&] { return b.answer() == "\u26A0 the site has no member \"Nothing\""; })) << b.answer().toStdString();
    b.setFault("clear");
    EXPECT_TRUE(waitFor([&] { return b.view().gauges[1].fault.empty(); }));
}

// What a script prints after the line naming its server.
std::string runOn(const std::string& spec, const std::string& script, int& status)
{
    AutomationRegistry registry;
    std::string reason;
    const auto server = chooseServer(registry, spec, std::chrono::milliseconds(5000), true, reason);
    EXPECT_TRUE(server) << reason;
    ScriptRunOptions options;
    options.progId = server->progId;
    options.advance = server->advance;
    std::ostringstream out;
    status = runScriptText("faults", script, registry, options, out).status;
    const std::string printed = out.str();
    return printed.substr(printed.find('\n') + 1);
}

TEST(FaultsOverTheBus, AScriptGivesTheSameAnswersAsEmbedded)
{
    const std::string script = "fault position 7 stop-at 5\n"
                               "put Authorize string FuelingPosition=07\\r\\nHose=1\\r\\nMOP=1\\r\\nLimit=001500\\r\\n\\0\n"
                               "fault member SystemVersions slow 2200\n"
                               "get SystemVersions\n"
                               "get FuelingPositionInformation int16 7\n"
                               "expect result contains Volume=0.100\n"
                               "fault reader 7 paper-out\n"
                               "put PrintOutput string ReaderPosition=07\\r\\nMessage=Thank you\\r\\n\\0\n"
                               "get ReadErrorQue\n"
                               "expect result contains ErrorNumber=1209\n"
                               "fault clear\n";
    int embeddedStatus = -1, busStatus = -1;
    const std::string embedded = runOn(forecourt::kProgId, script, embeddedStatus);
    ASSERT_EQ(embeddedStatus, 0) << embedded;
    bustest::PrivateBus bus;
    bustest::ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    const std::string overBus = runOn("dbus:Vantrel.Application@" + bus.address().toStdString(), script, busStatus);
    EXPECT_EQ(busStatus, 0) << overBus;
    EXPECT_EQ(overBus, embedded);
    EXPECT_NE(overBus.find("fault: clear: 3 faults cleared"), std::string::npos) << overBus;
}

} // namespace
