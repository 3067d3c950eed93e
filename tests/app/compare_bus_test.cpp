// vantrel-test --compare as a server maker runs it: the embedded forecourt
// against vantrel-forecourt --virtual-clock on a private bus, over every
// example script, finds no difference; a B that cannot be chosen is refused;
// a B that goes away in the middle of a script is a difference for every
// call it left unanswered.
#include "bus_fixture.h"

#include "app/compare_run.h"
#include "app/server_choice.h"
#include "dbus/dbus_client.h"
#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

using namespace vantrel::dbus::test;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome vantrelTest(const QStringList& args)
{
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("VANTREL_SERVER");
    p.setProcessEnvironment(env);
    p.start(VANTREL_EXE, args);
    p.waitForFinished(300000);
    return {p.exitCode(), p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

TEST(CompareOverBus, TheEmbeddedServerAndVantrelForecourtAnswerEveryExampleAlike)
{
    PrivateBus bus;
    ServiceProcess service(bus, {"--virtual-clock", "-q"});
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    QTemporaryDir dir;
    const QString junit = dir.filePath("r.xml");
    const Outcome run = vantrelTest({"--script", VANTREL_EXAMPLES, "--server", "Vantrel.Application", "--compare",
                                 "dbus:Vantrel.Application@" + bus.address(), "--junit", junit});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("B: Vantrel.Application at " + bus.address().toStdString() + "\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("== " VANTREL_EXAMPLES "/tour.vts: A script passed, B script passed\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(" calls compared, 0 differ\n"), std::string::npos) << run.out;
    EXPECT_TRUE(QFile::exists(junit));
}

// A client of vantrel-forecourt whose service is killed just before the
// call it was told to vanish at: that call and every later one find no server.
class VanishingServer : public vantrel::AutomationObject {
public:
    VanishingServer(const PrivateBus& bus, ServiceProcess& service, int vanishAt)
        : m_client(bus.endpoint(), std::chrono::milliseconds(2000)), m_service(service), m_vanishAt(vanishAt)
    {
    }
    void put(std::string_view member, const vantrel::Value& value) override
    {
        before();
        m_client.put(member, value);
    }
    vantrel::Value get(std::string_view member, const std::optional<vantrel::Value>& argument) override
    {
        before();
        return m_client.get(member, argument);
    }
    vantrel::Value call(std::string_view member, const std::optional<vantrel::Value>& argument) override
    {
        before();
        return m_client.call(member, argument);
    }

private:
    void before()
    {
        if (++m_calls == m_vanishAt)
            m_service.kill();
    }
    vantrel::dbus::DBusClient m_client;
    ServiceProcess& m_service;
    int m_vanishAt;
    int m_calls = 0;
};

TEST(CompareOverBus, ABThatVanishesMidScriptDiffersAtEveryCallItLeftAndTheNextScriptIsNotRunOnIt)
{
    PrivateBus bus;
    ServiceProcess service(bus, {"--virtual-clock", "-q"});
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    QTemporaryDir dir;
    std::vector<std::string> scripts;
    for (const char* name : {"first.vts", "second.vts"}) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("get FuelingPositionInformation int16 7\nget DispenserInformation int16 7\nget CardQue\n"
                   "get KeyQue\nput TankMonitorStartReport int16 1\n");
        scripts.push_back(file.fileName().toStdString());
    }
    vantrel::AutomationRegistry a, b;
    std::string reason;
    const auto embedded =
        vantrel::chooseServer(a, vantrel::forecourt::kProgId, std::chrono::milliseconds(2000), true, reason);
    ASSERT_TRUE(embedded) << reason;
    b.add("Test.Vanishing", [&] { return std::make_unique<VanishingServer>(bus, service, 3); });
    std::ostringstream out;
    const int status = vantrel::compare::compareServers(
        {a, *embedded}, {b, vantrel::ServerChoice{"Test.Vanishing", "vantrel-forecourt, killed at its third call", {}}},
        {scripts, {}, {}, true, nullptr}, out);
    EXPECT_EQ(status, 1) << out.str();
    for (const std::string call : {":3: get CardQue(): A answered a value, B error 462\n",
                                   ":4: get KeyQue(): A answered a value, B error 462\n",
                                   ":5: put TankMonitorStartReport: A answered nothing, B error 462\n"})
        EXPECT_NE(out.str().find(scripts[0] + call), std::string::npos) << call << out.str();
    EXPECT_EQ(out.str().find(scripts[0] + ":2:"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find(scripts[1] + ": B did not run it: the server Test.Vanishing cannot be created"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("5 calls compared, 4 differ\n"), std::string::npos) << out.str();
}

TEST(CompareOverBus, ABThatCannotBeChosenIsAUsageError)
{
    const Outcome run = vantrelTest({"--script", VANTREL_EXAMPLES "/tour.vts", "--compare", "No.Such.Server"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.rfind("vantrel-test: --compare No.Such.Server: no server of that name", 0), 0u) << run.err;
}

} // namespace
