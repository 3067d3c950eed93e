// Faults set on vantrel-forecourt over the bus: every fault row the
// embedded site passes, through a client; a refused fault with its reason
// under its own error name; the faults listed and read with the site; and a
// slow member answered late while the service serves everyone else.
#include "bus_fixture.h"
#include "fault_rows.h"

#include "dbus/dbus_client.h"
#include "dbus/wire_contract.h"

#include "server/automation_error.h"
#include "server/conversions.h"

#include "support/case_names.h"

#include <QDBusPendingCall>

#include <gtest/gtest.h>

using namespace vantrel;
using namespace vantrel::dbus;
using vantrel::test_names::ByName;

namespace {

// One service on a virtual clock for the rows, put back to its start before each.
class FaultOverBus : public ::testing::TestWithParam<forecourt::test::FaultRow> {
public:
    static void SetUpTestSuite()
    {
        s_bus = new test::PrivateBus;
        s_service = new test::ServiceProcess(*s_bus, {"--virtual-clock", "--quiet"});
        ASSERT_TRUE(s_service->waitUntilServing()) << s_service->log().toStdString();
    }
    static void TearDownTestSuite()
    {
        delete s_service;
        delete s_bus;
    }

protected:
    static test::PrivateBus* s_bus;
    static test::ServiceProcess* s_service;
};
test::PrivateBus* FaultOverBus::s_bus = nullptr;
test::ServiceProcess* FaultOverBus::s_service = nullptr;

TEST_P(FaultOverBus, ShowsAsOnTheEmbeddedSite)
{
    DBusClient client(s_bus->endpoint());
    ASSERT_TRUE(client.hasFaults());
    client.reset();
    const forecourt::test::FaultDoors doors{client, [&](const std::string& f) { return client.fault(f); },
                                            [&](const std::string& a) { return client.customer(a); },
                                            [&](long long ms) { client.advance(std::chrono::milliseconds(ms)); }};
    forecourt::test::runFaultRow(doors, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultOverBus, ::testing::ValuesIn(forecourt::test::faultRows()), ByName());

TEST(FaultsOverBus, ARefusalTravelsWithItsReasonAndTheFaultsAreListed)
{
    test::PrivateBus bus;
    test::ServiceProcess service(bus, {"--virtual-clock", "--quiet"});
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    QDBusMessage bad = test::methodCall(kSimulatorInterface, kFault.name);
    bad << QStringLiteral("position 40 offline");
    const QDBusMessage refused = bus.connect("raw").call(bad, QDBus::Block, 10000);
    EXPECT_EQ(refused.errorName(), QLatin1String(kFaultRefused));
    EXPECT_EQ(refused.errorMessage(), "a position 1 to 32 is needed, not \"40\"");

    DBusClient client(bus.endpoint());
    try {
        client.fault("member Nothing slow 5");
        FAIL() << "a member the site does not have was taken";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.number(), static_cast<int>(ErrorCode::WrongAccess));
        EXPECT_NE(e.description().find("the site has no member \"Nothing\""), std::string::npos) << e.description();
    }
    EXPECT_EQ(client.faults(), "");
    EXPECT_EQ(client.fault("tank 2 low"), "tank 2 low");
    EXPECT_EQ(client.fault("position 07 stop-at 5.5"), "position 7 stop-at 5.50");
    EXPECT_EQ(client.faults(), "position 7 stop-at 5.50\ntank 2 low");
    std::string error;
    const auto site = test::readSite(bus, 1, error);
    ASSERT_TRUE(site) << error;
    EXPECT_EQ(site->faults, (std::vector<std::string>{"position 7 stop-at 5.50", "tank 2 low"}));
    EXPECT_EQ(client.fault("clear"), "clear: 2 faults cleared");
}

// On the real clock the service holds a slow member's reply back and
// answers every other call meanwhile; the reply comes when its time is up.
TEST(FaultsOverBus, ASlowMemberHoldsUpNoOtherCall)
{
    test::PrivateBus bus;
    test::ServiceProcess service(bus, {});
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    DBusClient client(bus.endpoint());
    client.fault("member SystemVersions slow 60000");
    client.fault("member ReaderInformation slow 200");
    QDBusConnection waiting = bus.connect("waiting");
    const QDBusPendingCall slow = waiting.asyncCall(test::methodCall(kInterface, "SystemVersions"), 120000);
    QDBusMessage soon = test::methodCall(kInterface, "ReaderInformation");
    soon << QVariant::fromValue(QDBusVariant(QVariant::fromValue<short>(7)));
    const QDBusPendingCall later = waiting.asyncCall(soon, 120000);

    EXPECT_NE(toText(client.get("QueCountQuery", std::nullopt)).find("Card="), std::string::npos);
    EXPECT_FALSE(slow.isFinished()); // still held back, and no call waited for it
    ASSERT_TRUE(test::waitFor([&] { return later.isFinished(); }));
    const QDBusMessage answer = later.reply();
    ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    EXPECT_TRUE(fromVariant(qvariant_cast<QDBusVariant>(answer.arguments().value(0)).variant()).asString().starts_with(
        "ReaderPosition=07"));
    EXPECT_TRUE(service.log().contains("get SystemVersions -> ")) << service.log().toStdString();
    EXPECT_TRUE(service.log().contains("(answered after 60000 ms)")) << service.log().toStdString();
    EXPECT_FALSE(slow.isFinished());
}

} // namespace
