// vantrel-forecourt under load and bad input: many clients at once lose no
// call, and malformed messages get a D-Bus error without ending the daemon.
#include "bus_fixture.h"

#include "dbus/dbus_client.h"
#include "dbus/wire_contract.h"

#include "server/automation_error.h"

#include <QDBusPendingCall>
#include <QDBusVariant>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
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
