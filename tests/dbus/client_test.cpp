// The utility's client against vantrel-forecourt on a private bus: the
// same calls give the same answers as the embedded server, busctl drives
// it, and a server that goes away and comes back is reached again.
#include "bus_fixture.h"

#include "dbus/dbus_client.h"
#include "dbus/site_state_codec.h"
#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"

#include "server/automation_error.h"
#include "server/conversions.h"

#include <QFile>
#include <QThread>
#include <QStandardPaths>
#include <QRegularExpression>

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <csignal>

using namespace vantrel;
using namespace vantrel::dbus;
using std::chrono::milliseconds;

namespace {
using test::kAuthorize7;

struct Step {
    Access access;
    const char* member;
    std::optional<Value> value;
    long long advanceMs = 0;
};

// What a step gave, in a form two servers can be compared by.
std::string runStep(AutomationObject& server, const Step& s)
{
    try {
        switch (s.access) {
        case Access::Put: server.put(s.member, *s.value); return "ok";
        case Access::Call: server.call(s.member, s.value); return "ok";
        case Access::Get: {
            const Value v = server.get(s.member, s.value);
            return std::string(typeName(v.type())) + ":" + toText(v);
        }
        }
    } catch (const AutomationError& e) {
        return "error " + std::to_string(e.number()) + ": " + e.description();
    }
    return "?";
}

const std::vector<Step>& steps()
{
    using A = Access;
    static const std::vector<Step> s = {
        {A::Put, "Authorize", Value::string(kAuthorize7)},
        {A::Get, "FuelingPositionInformation", Value::int16(7), 4000},
        {A::Get, "DispenserInformation", Value::real(7)},
        {A::Put, "Stop", Value::string("07")},
        {A::Put, "Resume", Value::string("07"), 2500},
        {A::Get, "FuelingPositionInformation", Value::int16(7)},
        {A::Put, "TankMonitorStartReport", Value::int16(1)},
        {A::Put, "TankMonitorStartReport", Value::int32(1)},
        {A::Get, "TankMonitorReportStatus", std::nullopt, 10000},
        {A::Put, "DisplayData", Value::string(std::string("ReaderPosition=05\r\nMessage=\x1b[2J\x10\x07 AB\r\n") + '\0')},
        {A::Call, "SelfDiagnosticsReportStart", std::nullopt},
        {A::Get, "SelfDiagnosticsReportStatus", std::nullopt},
        {A::Get, "ClearTopCardQue", std::nullopt},
        {A::Get, "DispenserInformation", Value::int16(40)},
        {A::Put, "Authorize", Value::int16(1)},
        {A::Get, "NoSuchMember", std::nullopt},
        {A::Get, "CardQue", Value::int16(1)},
        {A::Put, "CardQue", Value::string("07")},
    };
    return s;
}

class ForecourtOverBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString(); }

    test::PrivateBus bus;
    test::ServiceProcess service{bus};
};

TEST_F(ForecourtOverBus, SameAnswersAsEmbedded)
{
    auto clock = std::make_shared<forecourt::ManualClock>();
    forecourt::ForecourtServer embedded(clock);
    DBusClient remote(bus.endpoint());
    ASSERT_TRUE(remote.hasVirtualClock());
    for (const Step& s : steps()) {
        clock->advance(milliseconds(s.advanceMs));
        remote.advance(milliseconds(s.advanceMs));
        EXPECT_EQ(runStep(remote, s), runStep(embedded, s)) << s.member;
    }
    // The whole site reads the same over the bus, a customer's action included.
    EXPECT_EQ(remote.customer("card 7 1"), forecourt::actAsCustomer(embedded, "card 7 1"));
    std::string error;
    const auto site = test::readSite(bus, 7, error);
    ASSERT_TRUE(site) << error;
    EXPECT_TRUE(*site == embedded.siteState(7)) << encodeSiteState(*site).toStdString();
    // Reset puts the forecourt and its clock back to the start.
    remote.reset();
    forecourt::ForecourtServer fresh(std::make_shared<forecourt::ManualClock>());
    const Step info{Access::Get, "FuelingPositionInformation", Value::int16(7)};
    EXPECT_EQ(runStep(remote, info), runStep(fresh, info));
    EXPECT_NE(runStep(remote, info), runStep(embedded, info));
}

TEST_F(ForecourtOverBus, LogShowsEveryByte)
{
    DBusClient remote(bus.endpoint());
    remote.put("Authorize", Value::string(kAuthorize7));
    EXPECT_THROW(remote.get("NoSuchMember", std::nullopt), AutomationError);
    const QString log = service.log();
    EXPECT_TRUE(log.contains(QString::fromUtf8("put Authorize = \"FuelingPosition=07\u240D\u240AHose=1\u240D\u240AMOP=1"
                                               "\u240D\u240ALimit=001500\u240D\u240A\u2400\" -> ok\n")))
        << log.toStdString();
    EXPECT_TRUE(log.contains("get NoSuchMember -> error 438: ")) << log.toStdString();
}

TEST_F(ForecourtOverBus, BusctlDrivesIt)
{
    if (QStandardPaths::findExecutable("busctl").isEmpty())
        GTEST_SKIP() << "busctl (package systemd) is not installed";
    QStringList bytes;
    for (const char c : kAuthorize7)
        bytes << QString::number(static_cast<unsigned char>(c));
    const QStringList where{"--address", bus.address(), "Vantrel.Application", "/Vantrel/Application", "Vantrel.Application"};
    QProcess set;
    set.start("busctl", QStringList{"--address", bus.address(), "set-property"} + where.mid(2) +
                            QStringList{"Authorize", "ay", QString::number(bytes.size())} + bytes);
    ASSERT_TRUE(set.waitForFinished(10000));
    EXPECT_EQ(set.exitCode(), 0) << set.readAllStandardError().toStdString();

    QProcess call;
    call.start("busctl", QStringList{"--address", bus.address(), "call"} + where.mid(2) +
                             QStringList{"DispenserInformation", "v", "n", "7"});
    ASSERT_TRUE(call.waitForFinished(10000));
    EXPECT_EQ(call.exitCode(), 0) << call.readAllStandardError().toStdString();

    forecourt::ForecourtServer embedded(std::make_shared<forecourt::ManualClock>());
    embedded.put("Authorize", Value::string(kAuthorize7));
    const std::string answer = embedded.get("DispenserInformation", Value::int16(7)).asString();
    QString expected = QStringLiteral("v ay %1").arg(answer.size());
    for (const char c : answer)
        expected += " " + QString::number(static_cast<unsigned char>(c));
    EXPECT_EQ(QString::fromLatin1(call.readAllStandardOutput()).trimmed(), expected);
}

TEST_F(ForecourtOverBus, KilledServerIsUnavailableThenReachedAgain)
{
    DBusClient remote(bus.endpoint(), milliseconds(2000));
    remote.put("Stop", Value::string("07"));
    service.kill();
    for (int i = 0; i < 2; ++i) {
        try {
            remote.put("Stop", Value::string("07"));
            FAIL() << "a killed server took a put";
        } catch (const AutomationError& e) {
            EXPECT_EQ(e.number(), 462) << e.description();
        }
    }
    test::ServiceProcess again(bus);
    ASSERT_TRUE(again.waitUntilServing());
    EXPECT_EQ(runStep(remote, {Access::Put, "Stop", Value::string("07")}), "ok");
    EXPECT_TRUE(again.log().contains("put Stop = \"07\" -> ok"));
}

TEST_F(ForecourtOverBus, SecondServerRefusesUnlessItReplaces)
{
    test::ServiceProcess second(bus);
    EXPECT_EQ(second.waitForExit(), 1);
    EXPECT_TRUE(second.log().contains("Vantrel.Application is already served on the bus at")) << second.log().toStdString();
    EXPECT_TRUE(second.log().contains("--replace"));
    EXPECT_TRUE(service.isRunning());

    test::ServiceProcess replacing(bus, {"--virtual-clock", "--replace"});
    EXPECT_EQ(service.waitForExit(), 0) << service.log().toStdString();
    EXPECT_TRUE(service.log().contains("taken over"));
    EXPECT_TRUE(replacing.isRunning());
}

TEST_F(ForecourtOverBus, EndsCleanlyOnSigtermAndWhenTheBusGoesAway)
{
    test::ServiceProcess second(bus, {"--virtual-clock", "--replace"});
    ASSERT_EQ(service.waitForExit(), 0);
    ASSERT_TRUE(second.waitUntilServing());
    ::kill(static_cast<pid_t>(second.pid()), SIGTERM);
    EXPECT_EQ(second.waitForExit(), 0);
    EXPECT_TRUE(second.log().endsWith(" ended\n")) << second.log().toStdString();
    // The bus may not yet have taken the name back from the process that ended.
    for (int i = 0; i < 500 && bus.hasOwner("Vantrel.Application"); ++i)
        QThread::msleep(10);

    test::ServiceProcess third(bus);
    ASSERT_TRUE(third.waitUntilServing());
    bus.stop();
    EXPECT_EQ(third.waitForExit(), 3) << "an end the service did not choose is a failure";
    EXPECT_TRUE(third.log().contains("went away; ending")) << third.log().toStdString();
}

// The configured session activation file, pointed at the built executable.
TEST(SessionActivation, FirstCallStartsTheServer)
{
    QTemporaryDir dir;
    QFile shipped(VANTREL_SESSION_SERVICE_FILE);
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QString service = QString::fromUtf8(shipped.readAll());
    ASSERT_TRUE(service.contains("\nName=Vantrel.Application\n"));
    service.replace(QRegularExpression("\nExec=[^\n]*/vantrel-forecourt\n"), "\nExec=" + test::forecourtExe() + " --virtual-clock\n");
    QFile activated(dir.filePath("Vantrel.Application.service"));
    ASSERT_TRUE(activated.open(QIODevice::WriteOnly));
    activated.write(service.toUtf8());
    activated.close();
    QFile config(dir.filePath("session.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:path=%1/bus</listen><auth>EXTERNAL</auth>"
                                "<servicedir>%1</servicedir><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>").arg(dir.path()).toUtf8());
    config.close();
    test::PrivateBus bus(config.fileName());
    ASSERT_FALSE(bus.hasOwner("Vantrel.Application"));
    DBusClient client(bus.endpoint());
    EXPECT_TRUE(client.hasVirtualClock());
    EXPECT_EQ(runStep(client, {Access::Put, "Stop", Value::string("07")}), "ok");
}

struct CommandLineCase {
    const char* name;
    QStringList args;
    int status;
    const char* says;
    bool withoutDisplay = false;
};

class ServiceCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(ServiceCommandLine, StatusAndMessage)
{
    QProcess p;
    if (GetParam().withoutDisplay) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        p.setProcessEnvironment(env);
    }
    p.start(test::forecourtExe(), GetParam().args);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), GetParam().status);
    const QString out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    EXPECT_TRUE(out.contains(GetParam().says)) << out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Options, ServiceCommandLine,
    ::testing::Values(CommandLineCase{"Help", {"--help"}, 0, "  2  usage error"},
                      CommandLineCase{"Version", {"--version"}, 0, "vantrel-forecourt " VANTREL_VERSION},
                      CommandLineCase{"UnknownOption", {"--bogus"}, 2, "unknown option '--bogus'\n\nUsage: vantrel-forecourt"},
                      CommandLineCase{"TwoBuses", {"--system", "--session"}, 2, "choose one bus"},
                      CommandLineCase{"UnreachableAddress", {"--address", "unix:path=/nonexistent/bus"}, 1, "cannot reach the bus at"},
                      CommandLineCase{"BoardWithoutDisplay", {"--board"}, 1, "--board needs a display", true}),
                         vantrel::test_names::ByName{});

TEST(ServiceExecutable, LinksNoWidgetsOrGui)
{
    QProcess ldd;
    ldd.start("ldd", {test::forecourtExe()});
    ASSERT_TRUE(ldd.waitForFinished(10000));
    const QString libs = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    EXPECT_TRUE(libs.contains("libQt6DBus")) << libs.toStdString();
    EXPECT_FALSE(libs.contains("libQt6Widgets") || libs.contains("libQt6Gui")) << libs.toStdString();
}
} // namespace

#include "dbus/bus_channel.h"
#include "stub_service.h"

namespace {
// The one channel every call goes through, against the stub server on a
// private bus: each call ends in exactly one callback, and what arrives is
// numbered by the one error table.
class Channel : public ::testing::Test {
protected:
    test::PrivateBus bus;
    test::StubService stub{bus.address()};

    struct Outcome {
        int calls = 0;
        QDBusMessage reply;
    };
    // Sends `member` with `args` and waits for its callback.
    std::shared_ptr<Outcome> call(BusChannel& channel, const char* member, const QVariantList& args = {})
    {
        auto outcome = std::make_shared<Outcome>();
        QDBusMessage message = channel.methodCall(kInterface, QString::fromLatin1(member));
        message.setArguments(args);
        channel.send(message, [outcome](const QDBusMessage& reply) {
            ++outcome->calls;
            outcome->reply = reply;
        });
        EXPECT_TRUE(test::waitFor([&] { return outcome->calls > 0; })) << member;
        return outcome;
    }
};

TEST_F(Channel, DeliversTheServersReply)
{
    BusChannel channel(bus.endpoint(test::kStubName), milliseconds(2000), "vantrel-test-channel");
    ASSERT_TRUE(channel.isConnected()) << channel.connectError();
    const auto outcome = call(channel, "Echo", {QVariant::fromValue(QDBusVariant(QByteArray("ok\0", 3)))});
    EXPECT_EQ(outcome->calls, 1);
    ASSERT_EQ(outcome->reply.type(), QDBusMessage::ReplyMessage) << outcome->reply.errorMessage().toStdString();
    EXPECT_EQ(fromVariant(qvariant_cast<QDBusVariant>(outcome->reply.arguments().value(0)).variant()),
              Value::string(std::string("ok\0", 3)));
}

TEST_F(Channel, DeliversTheServersErrorForTheTable)
{
    BusChannel channel(bus.endpoint(test::kStubName), milliseconds(2000), "vantrel-test-channel");
    const auto outcome = call(channel, "Raise", {QVariant::fromValue(QDBusVariant(QString(kCustomerRefused)))});
    ASSERT_EQ(outcome->reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(outcome->reply.errorName().toStdString(), kCustomerRefused);
    const AutomationError e = toAutomationError(outcome->reply.errorName(), outcome->reply.errorMessage(), Phase::Call);
    EXPECT_EQ(e.number(), 450) << e.description();
    EXPECT_NE(e.description().find("the bus says why"), std::string::npos) << e.description();
}

TEST_F(Channel, ASilentServerEndsInOneErrorAndTheChannelGoesOn)
{
    BusChannel channel(bus.endpoint(test::kStubName), milliseconds(300), "vantrel-test-channel");
    const auto silent = call(channel, "Silent");
    ASSERT_EQ(silent->reply.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(toAutomationError(silent->reply.errorName(), silent->reply.errorMessage(), Phase::Call).number(), 462)
        << silent->reply.errorName().toStdString();
    const auto echoed = call(channel, "Echo", {QVariant::fromValue(QDBusVariant(7))});
    EXPECT_EQ(echoed->reply.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(silent->calls, 1); // the guard behind the bus's timeout called nobody a second time
}

TEST_F(Channel, TellsWhenTheNameLosesAndGetsItsOwner)
{
    QDBusConnection owner = bus.connect("owner");
    ASSERT_TRUE(owner.registerService("Vantrel.Coming"));
    BusChannel channel(bus.endpoint("Vantrel.Coming"), milliseconds(2000), "vantrel-test-channel");
    std::vector<bool> told;
    channel.watchOwner([&](bool owned) { told.push_back(owned); });
    ASSERT_TRUE(owner.unregisterService("Vantrel.Coming"));
    ASSERT_TRUE(test::waitFor([&] { return told.size() == 1; }));
    ASSERT_TRUE(owner.registerService("Vantrel.Coming"));
    ASSERT_TRUE(test::waitFor([&] { return told.size() == 2; }));
    EXPECT_EQ(told, (std::vector<bool>{false, true}));
}

TEST_F(Channel, AGoneChannelCallsNobodyBack)
{
    int calls = 0;
    {
        BusChannel channel(bus.endpoint(test::kStubName), milliseconds(300), "vantrel-test-channel");
        QDBusMessage message = channel.methodCall(kInterface, QStringLiteral("Silent"));
        channel.send(message, [&calls](const QDBusMessage&) { ++calls; });
    }
    // Longer than the call's timeout and its guard: nothing is left to call back.
    test::waitFor([] { return false; }, 1500);
    EXPECT_EQ(calls, 0);
}

TEST(ChannelWithoutBus, AnswersAtOnceWithTheReason)
{
    Endpoint nowhere{"Vantrel.Application", Endpoint::Bus::Address, "unix:path=/nonexistent/vantrel-bus"};
    BusChannel channel(nowhere, milliseconds(300), "vantrel-test-channel");
    EXPECT_FALSE(channel.isConnected());
    EXPECT_NE(channel.connectError().find("cannot reach the bus at unix:path=/nonexistent/vantrel-bus"), std::string::npos)
        << channel.connectError();
    int calls = 0;
    QDBusMessage reply;
    channel.send(channel.methodCall(kInterface, QStringLiteral("CardQue")), [&](const QDBusMessage& r) {
        ++calls;
        reply = r;
    });
    ASSERT_EQ(calls, 1);
    EXPECT_EQ(toAutomationError(reply.errorName(), reply.errorMessage(), Phase::Call).number(), 462);
    EXPECT_EQ(toAutomationError(reply.errorName(), reply.errorMessage(), Phase::Create).number(), 429);
}
} // namespace

namespace {
// What a server offers is asked once, when the client is made: afterwards
// the answers need no server, and a server gone does not make them throw.
TEST(SimulatorProbe, AnswersFromWhatTheServerOfferedAtCreation)
{
    test::PrivateBus bus;
    test::StubService stub{bus.address()};
    DBusClient plain(bus.endpoint(test::kStubName), milliseconds(2000));
    EXPECT_FALSE(plain.hasVirtualClock());
    EXPECT_FALSE(plain.hasCustomer());
    EXPECT_FALSE(plain.hasSiteReading());

    test::ServiceProcess service{bus};
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    DBusClient client(bus.endpoint(), milliseconds(2000));
    service.kill();
    ASSERT_TRUE(test::waitFor([&] { return !bus.hasOwner("Vantrel.Application"); }));
    EXPECT_TRUE(client.hasVirtualClock());
    EXPECT_TRUE(client.hasCustomer());
    EXPECT_TRUE(client.hasSiteReading());
    for (const SimulatorMember& m : kSimulatorMembers)
        EXPECT_EQ(client.offers(m), !m.signal) << m.name;
}
} // namespace
