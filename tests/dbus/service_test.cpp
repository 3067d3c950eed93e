// vantrel-forecourt under load and bad input: many clients at once lose no
// call, and malformed messages get a D-Bus error without ending the daemon;
// how it ends (the bus lost, a race of --replace starts) and what its log
// shows of a call.
#include "bus_fixture.h"

#include "dbus/dbus_client.h"
#include "dbus/wire_contract.h"

#include "server/automation_error.h"

#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

using namespace vantrel;
using namespace vantrel::dbus;

namespace {
class ServiceUnderStress : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString(); }

    // Runs `puts` display puts from each of `clients` threads at once; the number that failed.
    int putFromClients(int clients, int puts)
    {
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < clients; ++t)
            threads.emplace_back([&, t] {
                try {
                    DBusClient client(bus.endpoint());
                    for (int i = 0; i < puts; ++i) {
                        std::string record = "ReaderPosition=0" + std::to_string(t + 1) + "\r\nMessage=" + std::to_string(i);
                        record.resize(197, '.');
                        client.put("DisplayData", Value::string(record + "\r\n" + '\0'));
                    }
                } catch (const AutomationError&) {
                    ++failures;
                }
            });
        for (auto& t : threads)
            t.join();
        return failures;
    }

    test::PrivateBus bus;
    test::ServiceProcess service{bus};
};

TEST_F(ServiceUnderStress, EightClientsLoseNothingAndMemoryStaysFlat)
{
    constexpr int kClients = 8;
    constexpr int kPuts = 10000;
    ASSERT_EQ(putFromClients(kClients, 1000), 0);
    const long before = service.residentKiB();
    ASSERT_EQ(putFromClients(kClients, kPuts), 0);
    const long after = service.residentKiB();
#ifndef __SANITIZE_ADDRESS__ // AddressSanitizer holds freed memory back, so resident memory grows there
    EXPECT_LT(after - before, 4096) << before << " KiB before, " << after << " KiB after";
#else
    (void)before;
    (void)after;
#endif
    EXPECT_EQ(service.log().count("put DisplayData = \"ReaderPosition=0"), kClients * (kPuts + 1000));
    EXPECT_FALSE(service.log().contains("-> error"));
}

struct BadMessage {
    const char* what;
    std::function<QDBusMessage()> build;
    const char* expectedError; // "" when any answer (or none) is fine
};

QDBusMessage set(const QVariantList& args)
{
    QDBusMessage m = test::methodCall(kPropertiesInterface, "Set");
    m.setArguments(args);
    return m;
}

const std::vector<BadMessage>& badMessages()
{
    static const QByteArray huge(16 * 1024 * 1024, 'A');
    static const std::vector<BadMessage> rows = {
        {"Set without a value", [] { return set({QString(kInterface), QString("DisplayData")}); },
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"Set with a string array", [] { return set({QString(kInterface), QString("DisplayData"), QVariant::fromValue(QDBusVariant(QStringList{"x"}))}); },
         "Vantrel.Error.E13"},
        {"Set on an unknown interface", [] { return set({QString("com.example.Nope"), QString("DisplayData"), QVariant::fromValue(QDBusVariant(1))}); },
         "org.freedesktop.DBus.Error.UnknownInterface"},
        {"Get of a write-only property", [] {
             QDBusMessage m = test::methodCall(kPropertiesInterface, "Get");
             m << QString(kInterface) << QString("Authorize");
             return m; }, "Vantrel.Error.E450"},
        {"bare argument", [] { return test::methodCall(kInterface, "DispenserInformation") << short(7); },
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"unknown interface", [] { return test::methodCall("com.example.Nope", "Foo"); },
         "org.freedesktop.DBus.Error.UnknownInterface"},
        {"unknown member", [] { return test::methodCall(kInterface, "Foo"); }, "Vantrel.Error.E438"},
        {"Advance with a string", [] { return test::methodCall(kSimulatorInterface, "Advance") << QString("5"); },
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"ReadSite with an int", [] { return test::methodCall(kSimulatorInterface, "ReadSite") << 7; },
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"ReadSite at 33", [] { return test::methodCall(kSimulatorInterface, "ReadSite") << QVariant::fromValue(short(33)); },
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"16 MB record", [] { return set({QString(kInterface), QString("DisplayData"), QVariant::fromValue(QDBusVariant(huge))}); }, ""},
        {"16 MB argument", [] { return test::methodCall(kInterface, "CardQue") << huge; },
         "org.freedesktop.DBus.Error.InvalidArgs"},
    };
    return rows;
}

TEST_F(ServiceUnderStress, BadMessagesGetErrorsAndTheDaemonGoesOn)
{
    QDBusConnection raw = bus.connect("raw");
    DBusClient client(bus.endpoint());
    for (const BadMessage& bad : badMessages()) {
        const QDBusMessage reply = raw.call(bad.build(), QDBus::Block, 20000);
        if (*bad.expectedError) {
            EXPECT_EQ(reply.errorName().toStdString(), bad.expectedError) << bad.what;
        }
        EXPECT_NE(reply.errorName().toStdString(), "org.freedesktop.DBus.Error.NoReply") << bad.what;
        EXPECT_EQ(client.get("CardQue", std::nullopt).type(), Value::Type::String) << "after " << bad.what;
    }
    // A client that goes away while its call is out.
    {
        QDBusConnection leaving = QDBusConnection::connectToBus(bus.address(), "leaving");
        leaving.asyncCall(set({QString(kInterface), QString("DisplayData"),
                               QVariant::fromValue(QDBusVariant(QByteArray(4 * 1024 * 1024, 'B')))}));
    }
    QDBusConnection::disconnectFromBus("leaving");
    EXPECT_EQ(client.get("CardQue", std::nullopt).type(), Value::Type::String);
    EXPECT_TRUE(service.isRunning());
}
} // namespace

namespace {
// An end the service did not choose is a failure (status 3, told on
// standard error also with -q), so that a supervisor starts it again.
class ServiceBusLost : public ::testing::TestWithParam<bool> {};

TEST_P(ServiceBusLost, EndsWithStatusThreeAndSaysWhy)
{
    test::PrivateBus bus;
    QStringList args{"--virtual-clock"};
    if (GetParam())
        args << "-q";
    test::ServiceProcess service{bus, args};
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    bus.stop();
    EXPECT_EQ(service.waitForExit(), 3) << service.log().toStdString();
    EXPECT_TRUE(service.log().contains("went away; ending with status 3")) << service.log().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Quiet, ServiceBusLost, ::testing::Bool(),
                         [](const auto& info) { return std::string(info.param ? "Quiet" : "Logging"); });

// Many servers started with --replace at once: whatever the order, one
// stays and owns the name, every other one ends with status 0 (each owned
// the name for a moment and was replaced).
TEST(ServiceReplaceRace, TwentyStartsLeaveOneServerThatOwnsTheName)
{
    test::PrivateBus bus;
    std::vector<std::unique_ptr<test::ServiceProcess>> servers;
    for (int i = 0; i < 20; ++i)
        servers.push_back(std::make_unique<test::ServiceProcess>(bus, QStringList{"--virtual-clock", "--replace", "-q"}));
    const auto running = [&] {
        return std::count_if(servers.begin(), servers.end(), [](const auto& s) { return s->isRunning(); });
    };
    ASSERT_TRUE(test::waitFor([&] { return running() == 1 && bus.hasOwner("Vantrel.Application"); }, 30000))
        << running() << " still running";
    QThread::msleep(500); // a server that should end has had time to
    ASSERT_EQ(running(), 1);
    QDBusMessage pidOf = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                        "org.freedesktop.DBus", "GetConnectionUnixProcessID");
    pidOf << QString("Vantrel.Application");
    const QDBusMessage owner = bus.connect("race").call(pidOf);
    for (const auto& s : servers) {
        if (s->isRunning())
            EXPECT_EQ(owner.arguments().value(0).toLongLong(), s->pid()) << "the one left owns the name";
        else
            EXPECT_EQ(s->waitForExit(), 0) << s->log().toStdString();
    }
}

// What the service log shows of a call: cut to a few hundred bytes, card
// data masked as in files, the keys of a PIN entry left out.
struct LoggedCall {
    const char* name;
    std::function<void(QDBusConnection&)> call;
    const char* shown;     // in the log
    const char* notShown;  // nowhere in the log
};

QDBusMessage customer(const std::string& action)
{
    return test::methodCall(kSimulatorInterface, "Customer") << QString::fromStdString(action);
}

void putRecord(QDBusConnection& c, const char* member, const std::string& record)
{
    QDBusMessage m = test::methodCall(kPropertiesInterface, "Set");
    m << QString(kInterface) << QString(member)
      << QVariant::fromValue(QDBusVariant(QByteArray(record.data(), static_cast<qsizetype>(record.size()))));
    c.call(m);
}

const LoggedCall kLoggedCalls[] = {
    {"MegabyteCustomerAction", [](QDBusConnection& c) { c.call(customer("key 5 " + std::string(1 << 20, '7'))); },
     "at most 4,096 characters", "7777777777777777777777777777777777777777"},
    {"MegabyteErrorText",
     [](QDBusConnection& c) { putRecord(c, "CarWashInformationRequest", std::string(900000, 'W') + "\r\n" + '\0'); },
     "error 1302", "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"},
    {"CardNumberInAnAnswer", [](QDBusConnection& c) { c.call(test::methodCall(kInterface, "CardQue")); }, "411111******1111",
     "4111111111111111"},
    {"CardNumberInAPut",
     [](QDBusConnection& c) {
         putRecord(c, "DisplayData", "ReaderPosition=02\r\nMessage=card 5555555555554444 ok\r\n" + std::string(1, '\0'));
     },
     "555555******4444", "5555555555554444"},
    {"PinKeyedByTheCustomer",
     [](QDBusConnection& c) {
         putRecord(c, "KeyEntryType", "ReaderPosition=05\r\nEntryMode=NumericWithOutEcho\r\n" + std::string(1, '\0'));
         c.call(customer("key 5 4321"));
     },
     "customer key 5 (PIN)", "4321"},
};

// A parameterised test against one service that serves on its own bus.
template <class Row>
class ServingParam : public ::testing::TestWithParam<Row> {
protected:
    void SetUp() override { ASSERT_TRUE(service.waitUntilServing()); }

    test::PrivateBus bus;
    test::ServiceProcess service{bus};
};

class ServiceLog : public ServingParam<LoggedCall> {};

void PrintTo(const LoggedCall& c, std::ostream* out) { *out << c.name; }

TEST_P(ServiceLog, ShowsCallsShortAndMasked)
{
    QDBusConnection c = bus.connect("logged");
    GetParam().call(c);
    ASSERT_TRUE(test::waitFor([&] { return service.log().contains(GetParam().shown); }, 5000)) << service.log().toStdString();
    const QString log = service.log();
    EXPECT_FALSE(log.contains(GetParam().notShown)) << log.toStdString();
    for (const QString& line : log.split('\n'))
        EXPECT_LT(line.toUtf8().size(), 1000) << line.left(200).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Calls, ServiceLog, ::testing::ValuesIn(kLoggedCalls),
                         [](const auto& info) { return std::string(info.param.name); });
} // namespace

namespace {
// The Properties interface: what each refusal and answer leaves in the log,
// to the letter, and the error the caller gets.
struct PropertiesCall {
    const char* name;
    const char* member;
    QVariantList args;
    const char* logged;
    const char* error; // "" for a reply
};

QVariant put(int n) { return QVariant::fromValue(QDBusVariant(n)); }

const std::vector<PropertiesCall>& propertiesCalls()
{
    static const std::vector<PropertiesCall> rows = {
        {"SetOnAnUnknownInterface", "Set", {QString("com.example.Nope"), QString("DisplayData"), put(1)},
         " put DisplayData -> org.freedesktop.DBus.Error.UnknownInterface: No interface 'com.example.Nope' here",
         "org.freedesktop.DBus.Error.UnknownInterface"},
        {"SetWithoutAValue", "Set", {QString(kInterface), QString("DisplayData")},
         " put -> org.freedesktop.DBus.Error.InvalidArgs: org.freedesktop.DBus.Properties.Set takes (ssv), not (ss)",
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"SetOnTheSimulator", "Set", {QString(kSimulatorInterface), QString("Clock"), put(1)},
         " put Clock -> org.freedesktop.DBus.Error.UnknownProperty: No property 'Clock'",
         "org.freedesktop.DBus.Error.UnknownProperty"},
        {"GetOnAnUnknownInterface", "Get", {QString("com.example.Nope"), QString("DisplayData")},
         " read property DisplayData -> org.freedesktop.DBus.Error.UnknownInterface: No interface 'com.example.Nope' here",
         "org.freedesktop.DBus.Error.UnknownInterface"},
        {"GetOfAnUnknownProperty", "Get", {QString(kInterface), QString("Nope")},
         " read property Nope -> org.freedesktop.DBus.Error.UnknownProperty: No property 'Nope'",
         "org.freedesktop.DBus.Error.UnknownProperty"},
        {"GetWithAValue", "Get", {QString(kInterface), QString("Authorize"), put(1)},
         " read property -> org.freedesktop.DBus.Error.InvalidArgs: org.freedesktop.DBus.Properties.Get takes (ss), not (ssv)",
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"GetAllOfAnUnknownInterface", "GetAll", {QString("com.example.Nope")},
         " read all properties -> org.freedesktop.DBus.Error.UnknownInterface: No interface 'com.example.Nope' here",
         "org.freedesktop.DBus.Error.UnknownInterface"},
        {"GetAllWithoutAnInterface", "GetAll", {},
         " read all properties -> org.freedesktop.DBus.Error.InvalidArgs: org.freedesktop.DBus.Properties.GetAll takes (s), not ()",
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"GetAllOfTheServer", "GetAll", {QString(kInterface)}, " read all properties -> none", ""},
    };
    return rows;
}

class PropertiesLog : public ServingParam<PropertiesCall> {};

void PrintTo(const PropertiesCall& c, std::ostream* out) { *out << c.name; }

TEST_P(PropertiesLog, SaysWhatWasRefusedAndWhy)
{
    QDBusConnection c = bus.connect("properties");
    QDBusMessage m = test::methodCall(kPropertiesInterface, GetParam().member);
    m.setArguments(GetParam().args);
    const QDBusMessage reply = c.call(m, QDBus::Block, 20000);
    EXPECT_EQ(reply.errorName().toStdString(), GetParam().error) << reply.errorMessage().toStdString();
    const QString expected = QString::fromUtf8(GetParam().logged) + "\n";
    ASSERT_TRUE(test::waitFor([&] { return service.log().contains(expected); }, 5000)) << service.log().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Calls, PropertiesLog, ::testing::ValuesIn(propertiesCalls()),
                         [](const auto& info) { return std::string(info.param.name); });
} // namespace
