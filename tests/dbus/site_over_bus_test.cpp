// The simulated site on the bus: Changed tells a burst of changes once with
// the version, a server on the real clock offers the site without a clock,
// and --board starts the board beside the service and ends it with it.
#include "bus_fixture.h"

#include "dbus/dbus_client.h"
#include "dbus/wire_contract.h"

#include "server/automation_error.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace vantrel;
using namespace vantrel::dbus;
using test::waitFor;

namespace {
const Value kAuthorize7 = Value::string(test::kAuthorize7);
} // namespace

// Collects the Changed signals of the simulator.
class ChangeCounter : public QObject {
    Q_OBJECT
public:
    std::vector<qulonglong> versions;
public slots:
    void changed(qulonglong version) { versions.push_back(version); }
};

namespace {

TEST(SiteOverBus, ChangedTellsABurstOnceWithTheLatestVersion)
{
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--virtual-clock", "--quiet"}};
    ASSERT_TRUE(service.waitUntilServing());
    ChangeCounter counter;
    QDBusConnection listener = bus.connect("listener");
    ASSERT_TRUE(listener.connect(kDefaultBusName, kObjectPath, kSimulatorInterface, "Changed", &counter,
                                 SLOT(changed(qulonglong))));
    DBusClient client(bus.endpoint());
    client.put("Authorize", kAuthorize7); // a change the signal must tell
    ASSERT_TRUE(waitFor([&] { return !counter.versions.empty(); }));
    counter.versions.clear();
    for (int i = 0; i < 100; ++i)
        client.put("Stop", Value::string("07"));
    std::string error;
    const auto site = test::readSite(bus, 7, error);
    ASSERT_TRUE(site) << error;
    ASSERT_TRUE(waitFor([&] { return !counter.versions.empty() && counter.versions.back() == site->version; }));
    EXPECT_LT(counter.versions.size(), 100u); // told as they came together, not one by one
    // Time moving on is a change too: the sale runs.
    counter.versions.clear();
    client.put("Resume", Value::string("07"));
    ASSERT_TRUE(waitFor([&] { return !counter.versions.empty(); }));
    counter.versions.clear();
    client.advance(std::chrono::milliseconds(2000));
    EXPECT_TRUE(waitFor([&] { return !counter.versions.empty(); }));
}

TEST(SiteOverBus, RealClockServerOffersTheSiteButNoClock)
{
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--quiet"}};
    ASSERT_TRUE(service.waitUntilServing());
    DBusClient client(bus.endpoint());
    EXPECT_FALSE(client.hasVirtualClock());
    EXPECT_TRUE(client.hasCustomer());
    EXPECT_TRUE(client.hasSiteReading());
    EXPECT_EQ(client.customer("cash 4 10"), "cash 10 at 04");
    std::string error;
    const auto site = test::readSite(bus, 4, error);
    ASSERT_TRUE(site) << error;
    ASSERT_FALSE(site->reader.queues[2].entries.empty());
    EXPECT_NE(site->reader.queues[2].entries.back().find("CashAmount=10.00"), std::string::npos);
    try {
        client.advance(std::chrono::milliseconds(10));
        ADD_FAILURE() << "Advance on the real clock";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 438) << e.description();
    }
}

TEST(ForecourtBoard, StartsBesideTheServiceAndEndsWithIt)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--virtual-clock", "--board"}};
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    // The board reads the site as soon as it shows.
    ASSERT_TRUE(waitFor([&] { return service.log().contains(QRegularExpression(" read site 1 -> \\d+ bytes")); }))
        << service.log().toStdString();
    const auto pid = QRegularExpression("the board is \\S+vantrel-board \\(pid (\\d+)\\)").match(service.log());
    ASSERT_TRUE(pid.hasMatch()) << service.log().toStdString();
    const pid_t board = pid.captured(1).toInt();
    EXPECT_EQ(::kill(board, 0), 0);
    // A change from another client reaches the board, which reads again.
    const auto reads = [&] { return service.log().count(" read site 1 -> "); };
    const auto before = reads();
    DBusClient client(bus.endpoint());
    client.put("Authorize", kAuthorize7);
    EXPECT_TRUE(waitFor([&] { return reads() > before; })) << service.log().toStdString();

    ::kill(static_cast<pid_t>(service.pid()), SIGTERM);
    EXPECT_EQ(service.waitForExit(), 0) << service.log().toStdString();
    EXPECT_TRUE(waitFor([&] { return ::kill(board, 0) != 0; }, 5000)) << "the board outlived the service";
}

} // namespace

#include "site_over_bus_test.moc"
