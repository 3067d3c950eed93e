// The simulated site on the bus: Changed tells a burst of changes once with
// the version, a server on the real clock offers the site without a clock,
// --board starts the board beside the service and ends it with it, and the
// largest site the bounds allow is read whole over a bus with the system
// bus's message limit.
#include "bus_fixture.h"
#include "largest_site.h"

#include "dbus/site_state_codec.h"
#include "forecourt/site_bounds.h"

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
    // The site's refusal has a name of its own, and reaches the caller as error 450 with the reason.
    try {
        client.customer("card 4 chip");
        ADD_FAILURE() << "a chip card at a disabled chip reader was taken";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), 450) << e.description();
        EXPECT_NE(e.description().find("disabled"), std::string::npos) << e.description();
        EXPECT_NE(e.description().find(kCustomerRefused), std::string::npos) << e.description();
    }
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

// An action the site refuses travels as an error of its own name, not as
// InvalidArgs, with the site's reason as its message.
TEST(SiteOverBus, ARefusedCustomerActionIsTheCustomerRefusedError)
{
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--virtual-clock", "--quiet"}};
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    QDBusConnection raw = bus.connect("raw");
    const QDBusMessage reply =
        raw.call(test::methodCall(kSimulatorInterface, "Customer") << QString("nonsense"), QDBus::Block, 20000);
    ASSERT_EQ(reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(reply.errorName().toStdString(), "Vantrel.Error.CustomerRefused");
    EXPECT_EQ(reply.errorMessage().toStdString(), "the customer can: nozzle, card, key, cash, wash; not \"nonsense\"");
}

// The site on a bus with the system bus's message limit, filled through the bus.
class BoundedSiteOverBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString(); }

    // A put as a client makes it; the error name, or "" when it was taken.
    QString put(const char* member, const std::string& value)
    {
        QDBusMessage m = test::methodCall(kPropertiesInterface, "Set");
        m << QString(kInterface) << QString(member)
          << QVariant::fromValue(QDBusVariant(QByteArray(value.data(), static_cast<qsizetype>(value.size()))));
        return raw.call(m, QDBus::Block, 20000).errorName();
    }
    QString act(const std::string& action)
    {
        return raw.call(test::methodCall(kSimulatorInterface, "Customer") << QString::fromStdString(action), QDBus::Block, 20000)
            .errorName();
    }

    QTemporaryDir dir;
    test::PrivateBus bus{test::writeSystemLimitsConfig(dir)};
    test::ServiceProcess service{bus, {"--virtual-clock", "--quiet"}};
    QDBusConnection raw = bus.connect("raw");
};

TEST_F(BoundedSiteOverBus, ALargePrintIsRefusedAndTheBoardCanStillReadTheSite)
{
    const std::string print = "ReaderPosition=07\r\nJob=Receipt\r\nMessage=" + std::string(6 << 20, '\x01') + "\r\n" + '\0';
    EXPECT_EQ(put("PrintOutput", print).toStdString(), "Vantrel.Error.E1007");
    std::string error;
    const auto site = test::readSite(bus, 7, error);
    ASSERT_TRUE(site) << error;
    EXPECT_TRUE(site->reader.paper.items.empty());
    EXPECT_TRUE(service.isRunning());
}

TEST_F(BoundedSiteOverBus, TheLargestSiteTheBoundsAllowIsReadWhole)
{
    const forecourt::test::SiteDoors doors{
        [&](const char* member, const std::string& value) { return put(member, value).isEmpty(); },
        [&](const std::string& action) { return act(action).isEmpty(); }};
    ASSERT_EQ(forecourt::test::fillToBounds(doors, 7), 0);
    QDBusMessage call = test::methodCall(kSimulatorInterface, "ReadSite");
    call << QVariant::fromValue(short(7));
    const QDBusMessage reply = raw.call(call, QDBus::Block, 30000);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorName().toStdString() << ": "
                                                       << reply.errorMessage().toStdString();
    const QByteArray json = reply.arguments().value(0).toString().toUtf8();
    // The worst case worked out in site_bounds.h, with room to spare under the bus's 32 MiB.
    EXPECT_LT(json.size(), 16 << 20);
    EXPECT_GT(json.size(), 4 << 20) << "the site was filled";
    std::string error;
    const auto site = decodeSiteState(json, error);
    ASSERT_TRUE(site) << error;
    EXPECT_GT(site->reader.paper.droppedLines, 0u);
    for (const auto& q : site->reader.queues)
        EXPECT_GT(q.dropped, 0u) << q.name;
    EXPECT_EQ(site->carWash.droppedCodes, 5u);
    EXPECT_TRUE(service.isRunning());
    RecordProperty("ReadSiteBytes", static_cast<int>(json.size()));
}

} // namespace

#include "site_over_bus_test.moc"
