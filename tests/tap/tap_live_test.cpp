// The tap live on a private bus: vantrel-forecourt serving, busctl and
// python3-dbus calling it, the monitor, the decoder and the client names of
// the tap in this process.
#include "tap_clients.h"

#include "bus_fixture.h"

#include "tap/bus_monitor.h"
#include "tap/client_names.h"
#include "tap/tap_decoder.h"

#include <gtest/gtest.h>

#include <map>

namespace vantrel::tap {
namespace {

using dbus::test::PrivateBus;
using dbus::test::ServiceProcess;
using dbus::test::waitFor;

// The tap's parts wired as a run wires them.
struct LiveTap {
    BusMonitor monitor;
    TapDecoder decoder;
    ClientNames names;
    std::vector<Exchange> ended;
    std::vector<TapDecoder::OwnerChange> owners;

    explicit LiveTap(const dbus::Endpoint& endpoint) : monitor(endpoint), decoder(endpoint.busName), names(endpoint)
    {
        monitor.onMessages([this](std::vector<TapMessage>&& batch) {
            for (const auto& m : batch)
                decoder.feed(m);
            for (const auto& client : decoder.takeNewClients())
                names.lookUp(client);
            for (auto& e : decoder.takeFinished())
                ended.push_back(std::move(e));
            for (auto& change : decoder.takeOwnerChanges())
                owners.push_back(std::move(change));
        });
        if (monitor.start())
            decoder.setServerOwner(monitor.initialOwner());
    }
    const Exchange* find(const std::string& client, const std::string& member) const
    {
        for (const auto& e : ended)
            if (e.client == client && e.member == member)
                return &e;
        return nullptr;
    }
};

TEST(TapLive, BusctlCallWaitsForItsReplyAndIsNamed)
{
    PrivateBus bus;
    ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing());
    LiveTap tap(bus.endpoint());
    ASSERT_EQ(tap.monitor.failure(), BusMonitor::Failure::None) << tap.monitor.error();

    // The server holds its answer while the tap looks at the call.
    ::kill(static_cast<pid_t>(service.pid()), SIGSTOP);
    QProcess busctl;
    test::dieWithParent(busctl);
    busctl.start("busctl", test::busctlCall(bus.address(), {"DispenserInformation", "v", "n", "7"}));
    ASSERT_TRUE(waitFor([&] { return tap.decoder.waitingCount() == 1; }));
    const Exchange waiting = tap.decoder.waiting().front();
    EXPECT_EQ(waiting.member, "DispenserInformation");
    EXPECT_EQ(waiting.state, ExchangeState::Waiting);
    ASSERT_TRUE(waitFor([&] { return tap.names.known(waiting.client); }));
    EXPECT_EQ(tap.names.label(waiting.client),
              waiting.client + " (pid " + std::to_string(busctl.processId()) + ", busctl)");
    ::kill(static_cast<pid_t>(service.pid()), SIGCONT);
    ASSERT_TRUE(waitFor([&] { return tap.find(waiting.client, "DispenserInformation"); }));
    EXPECT_EQ(tap.find(waiting.client, "DispenserInformation")->state, ExchangeState::Answered);
    busctl.waitForFinished(10000);
    EXPECT_TRUE(busctl.readAllStandardOutput().startsWith("v ay "));

    QProcess noReply;
    noReply.start("busctl", QStringList{"--expect-reply=no"} + test::busctlCall(bus.address(), {"ClearTopCardQue"}));
    ASSERT_TRUE(noReply.waitForFinished(10000));
    ASSERT_TRUE(waitFor([&] { return tap.ended.size() == 2; }));
    EXPECT_EQ(tap.ended[1].access, Access::Call);
    EXPECT_EQ(tap.ended[1].state, ExchangeState::NoReplyExpected);
}

TEST(TapLive, BurstOfSeveralClientsLosesNothing)
{
    PrivateBus bus;
    ServiceProcess service(bus, {"--virtual-clock", "-q"});
    ASSERT_TRUE(service.waitUntilServing());
    LiveTap tap(bus.endpoint());
    ASSERT_EQ(tap.monitor.failure(), BusMonitor::Failure::None) << tap.monitor.error();
    constexpr int kClients = 4, kEach = 250; // a put and a get each time
    std::vector<std::unique_ptr<test::PythonClient>> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(std::make_unique<test::PythonClient>(bus.address(), QStringList{"burst:" + QString::number(kEach)}));
    for (auto& client : clients)
        EXPECT_EQ(client->waitDone(), "done\n");
    ASSERT_TRUE(waitFor([&] { return tap.ended.size() >= 2u * kClients * kEach; }, 60000)) << tap.ended.size();
    std::map<std::string, int> perClient;
    for (const auto& e : tap.ended) {
        EXPECT_EQ(e.state, ExchangeState::Answered) << e.member << " " << e.errorDescription;
        ++perClient[e.client];
    }
    ASSERT_EQ(perClient.size(), std::size_t{kClients});
    for (const auto& client : clients)
        EXPECT_EQ(perClient[client->unique], 2 * kEach);
    EXPECT_EQ(tap.decoder.waitingCount(), 0u);
}

TEST(TapLive, WaitsForTheNameAndFollowsTheServerThroughARestart)
{
    PrivateBus bus;
    LiveTap tap(bus.endpoint());
    ASSERT_EQ(tap.monitor.failure(), BusMonitor::Failure::None) << tap.monitor.error();
    EXPECT_EQ(tap.monitor.initialOwner(), "");

    auto first = std::make_unique<ServiceProcess>(bus);
    ASSERT_TRUE(first->waitUntilServing());
    test::PythonClient before(bus.address(), {"get:QueCountQuery"});
    before.waitDone();
    first.reset(); // killed
    ServiceProcess second(bus);
    ASSERT_TRUE(second.waitUntilServing());
    test::PythonClient after(bus.address(), {"get:QueCountQuery"});
    after.waitDone();
    ASSERT_TRUE(waitFor([&] { return tap.find(after.unique, "QueCountQuery"); }));

    const Exchange* one = tap.find(before.unique, "QueCountQuery");
    const Exchange* two = tap.find(after.unique, "QueCountQuery");
    ASSERT_TRUE(one && two);
    EXPECT_EQ(one->state, ExchangeState::Answered);
    EXPECT_EQ(two->state, ExchangeState::Answered);
    EXPECT_NE(one->server, two->server);
    ASSERT_EQ(tap.owners.size(), 3u); // served, gone, served again
    EXPECT_EQ(tap.owners[0].owner, one->server);
    EXPECT_EQ(tap.owners[1].owner, "");
    EXPECT_EQ(tap.owners[2].owner, two->server);
    EXPECT_EQ(tap.decoder.serverOwner(), two->server);
}

} // namespace
} // namespace vantrel::tap
