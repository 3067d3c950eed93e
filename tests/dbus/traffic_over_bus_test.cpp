// Traffic on the served site: --traffic and --seed on the command line,
// Vantrel.Simulator.Traffic and its refusals, and a virtual-clock service
// that repeats the embedded site's customers from the same seed.
#include "bus_fixture.h"

#include "dbus/wire_contract.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/traffic.h"
#include "service/service_options.h"

#include "support/case_names.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vantrel;
using namespace vantrel::dbus;

// Counts the simulator's Changed signals.
class ChangedSignals : public QObject {
    Q_OBJECT
public:
    int count = 0;
public slots:
    void changed(qulonglong) { ++count; }
};

namespace {

struct TrafficOptionCase {
    const char* name;
    std::vector<std::string> args;
    double traffic;
    std::uint64_t seed;
    const char* refused; // "" when the command line is taken
};

class TrafficOptions : public ::testing::TestWithParam<TrafficOptionCase> {};

TEST_P(TrafficOptions, ParseOrRefuseWithTheReason)
{
    const TrafficOptionCase& c = GetParam();
    std::string reason;
    const auto options = service::parseServiceOptions(c.args, reason);
    if (*c.refused) {
        EXPECT_FALSE(options);
        EXPECT_EQ(reason, c.refused);
        return;
    }
    ASSERT_TRUE(options) << reason;
    EXPECT_EQ(options->traffic, c.traffic);
    EXPECT_EQ(options->seed, c.seed);
}

INSTANTIATE_TEST_SUITE_P(Options, TrafficOptions, ::testing::Values(
    TrafficOptionCase{"none", {}, 0, 1, ""},
    TrafficOptionCase{"two", {"--traffic", "2"}, 2, 1, ""},
    TrafficOptionCase{"halfJoined", {"--traffic=0.5", "--seed=42"}, 0.5, 42, ""},
    TrafficOptionCase{"most", {"--traffic", "600", "--seed", "4294967295"}, 600, 4294967295ULL, ""},
    TrafficOptionCase{"off", {"--traffic", "0"}, 0, 1, ""},
    TrafficOptionCase{"negative", {"--traffic", "-1"}, 0, 1, "--traffic takes customers a minute, 0 (none) or up to 600 such as 2 or 0.5; not '-1'"},
    TrafficOptionCase{"tooMany", {"--traffic", "600.5"}, 0, 1, "--traffic takes customers a minute, 0 (none) or up to 600 such as 2 or 0.5; not '600.5'"},
    TrafficOptionCase{"word", {"--traffic=busy"}, 0, 1, "--traffic takes customers a minute, 0 (none) or up to 600 such as 2 or 0.5; not 'busy'"},
    TrafficOptionCase{"exponent", {"--traffic", "1e2"}, 0, 1, "--traffic takes customers a minute, 0 (none) or up to 600 such as 2 or 0.5; not '1e2'"},
    TrafficOptionCase{"twoPoints", {"--traffic", "1.2.3"}, 0, 1, "--traffic takes customers a minute, 0 (none) or up to 600 such as 2 or 0.5; not '1.2.3'"},
    TrafficOptionCase{"rateMissing", {"--traffic"}, 0, 1, "--traffic needs customers a minute, such as 2"},
    TrafficOptionCase{"seedMissing", {"--seed"}, 0, 1, "--seed needs a whole number, such as 1"},
    TrafficOptionCase{"seedNegative", {"--seed", "-3"}, 0, 1, "--seed takes a whole number 0 to 4294967295; not '-3'"},
    TrafficOptionCase{"seedTooLarge", {"--seed", "4294967296"}, 0, 1, "--seed takes a whole number 0 to 4294967295; not '4294967296'"},
    TrafficOptionCase{"seedDecimal", {"--seed=1.5"}, 0, 1, "--seed takes a whole number 0 to 4294967295; not '1.5'"}
), test_names::ByName());

TEST(TrafficOptions, AreInTheUsage)
{
    const std::string usage = service::usageText();
    EXPECT_NE(usage.find("--traffic RATE"), std::string::npos);
    EXPECT_NE(usage.find("--seed N"), std::string::npos);
}

struct MethodCase {
    const char* name;
    double rate;
    const char* errorName; // "" when taken
    const char* answer;    // the reply, or the error's message
};

class TrafficMethod : public ::testing::TestWithParam<MethodCase> {};

TEST_P(TrafficMethod, SetsTheRateOrRefusesWithTheReason)
{
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--virtual-clock", "--quiet"}};
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    QDBusMessage call = test::methodCall(kSimulatorInterface, kTraffic.name);
    call << GetParam().rate;
    const QDBusMessage reply = bus.connect("caller").call(call, QDBus::Block, 10000);
    std::string error;
    const auto site = test::readSite(bus, 1, error);
    ASSERT_TRUE(site) << error;
    if (*GetParam().errorName) {
        ASSERT_EQ(reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(reply.errorName().toStdString(), GetParam().errorName);
        EXPECT_EQ(reply.errorMessage().toStdString(), GetParam().answer);
        EXPECT_EQ(toAutomationError(GetParam().errorName, GetParam().answer, Phase::Call).number(), 450);
        EXPECT_EQ(site->traffic.customersPerMinute, 0);
    } else {
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        EXPECT_EQ(reply.arguments().value(0).toString().toStdString(), GetParam().answer);
        EXPECT_EQ(site->traffic.customersPerMinute, GetParam().rate);
        EXPECT_EQ(site->timeDriven, GetParam().rate > 0);
    }
}

const char* const kRateReason = "the traffic is 0 (none) or up to 600 customers a minute";

INSTANTIATE_TEST_SUITE_P(Rates, TrafficMethod, ::testing::Values(
    MethodCase{"two", 2, "", "2 customers a minute"},
    MethodCase{"one", 1, "", "1 customer a minute"},
    MethodCase{"off", 0, "", "no traffic"},
    MethodCase{"negative", -0.5, kTrafficRefused, kRateReason},
    MethodCase{"tooMany", 601, kTrafficRefused, kRateReason},
    MethodCase{"nan", std::numeric_limits<double>::quiet_NaN(), kTrafficRefused, kRateReason},
    MethodCase{"infinite", std::numeric_limits<double>::infinity(), kTrafficRefused, kRateReason}
), test_names::ByName());

TEST(TrafficMethod, WantsANumber)
{
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--virtual-clock", "--quiet"}};
    ASSERT_TRUE(service.waitUntilServing());
    QDBusMessage call = test::methodCall(kSimulatorInterface, kTraffic.name);
    call << QStringLiteral("2");
    const QDBusMessage reply = bus.connect("caller").call(call, QDBus::Block, 10000);
    EXPECT_EQ(reply.errorName().toStdString(), "org.freedesktop.DBus.Error.InvalidArgs");
}

// The served site on a virtual clock sends the customers the embedded site
// sends from the same seed, however the Advance calls cut the time.
TEST(TrafficOverBus, RepeatsTheEmbeddedSiteFromTheSameSeed)
{
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--virtual-clock", "--quiet", "--traffic", "3", "--seed", "9"}};
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    QDBusConnection caller = bus.connect("caller");
    for (const qulonglong ms : {1000ULL, 600000ULL, 1ULL, 598999ULL}) {
        QDBusMessage advance = test::methodCall(kSimulatorInterface, kAdvance.name);
        advance << ms;
        ASSERT_EQ(caller.call(advance, QDBus::Block, 10000).type(), QDBusMessage::ReplyMessage);
    }
    auto clock = std::make_shared<forecourt::ManualClock>();
    forecourt::ForecourtServer embedded(clock);
    embedded.traffic().setSeed(9);
    embedded.traffic().setRate(3);
    embedded.traffic().advance(*clock, std::chrono::minutes(20));
    for (const int position : {1, 16, 32}) {
        std::string error;
        const auto served = test::readSite(bus, position, error);
        ASSERT_TRUE(served) << error;
        const forecourt::SiteState expected = embedded.siteState(position);
        EXPECT_GT(served->traffic.served, 10u);
        EXPECT_EQ(served->traffic, expected.traffic);
        EXPECT_TRUE(served->positions == expected.positions) << "the pumps differ";
        EXPECT_TRUE(served->reader.queues == expected.reader.queues) << "the queues at " << position << " differ";
    }
}

// On the real clock the customers come between calls: the service runs
// their steps itself and tells each with Changed, with nobody calling.
TEST(TrafficOverBus, RunsBetweenCallsOnTheRealClock)
{
    test::PrivateBus bus;
    test::ServiceProcess service{bus, {"--quiet", "--traffic", "600"}};
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    ChangedSignals signals_;
    QDBusConnection listener = bus.connect("listener");
    ASSERT_TRUE(listener.connect(kDefaultBusName, kObjectPath, kSimulatorInterface, kChanged.name, &signals_,
                                 SLOT(changed(qulonglong))));
    EXPECT_TRUE(test::waitFor([&] { return signals_.count >= 3; }));
    std::string error;
    const auto site = test::readSite(bus, 1, error);
    ASSERT_TRUE(site) << error;
    EXPECT_EQ(site->traffic.customersPerMinute, 600);
    EXPECT_GT(site->traffic.atSite + site->traffic.served + site->traffic.leftUnserved, 0u);
}

} // namespace

#include "traffic_over_bus_test.moc"
