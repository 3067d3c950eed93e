// vantrel-test --tap without a window, against private buses: its exit
// statuses, its lines, the trace and the saved session it writes, and the
// saved session replayed against the embedded server.
#include "tap_clients.h"

#include "bus_fixture.h"

#include "capture/capture.h"
#include "journal/card_mask.h"
#include "support/case_names.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vantrel::tap {
namespace {

using dbus::test::PrivateBus;
using dbus::test::ServiceProcess;
using dbus::test::waitFor;

// A run of vantrel-test, its output read as it comes.
class TapProcess {
public:
    explicit TapProcess(const QStringList& args)
    {
        test::dieWithParent(m_process);
        m_process.start(VANTREL_EXE, args);
        m_process.waitForStarted(10000);
    }
    ~TapProcess()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    // Waits until the output holds `text`; true when it does.
    bool waitForOutput(const QString& text)
    {
        return waitFor([&] {
            out += QString::fromUtf8(m_process.readAllStandardOutput());
            return out.contains(text);
        }, 20000);
    }
    void signal(int number) { ::kill(static_cast<pid_t>(m_process.processId()), number); }
    // The exit status, once it ended (-1 when it did not, or crashed).
    int status()
    {
        if (m_process.state() != QProcess::NotRunning && !m_process.waitForFinished(30000))
            return -1;
        if (m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        out += QString::fromUtf8(m_process.readAllStandardOutput());
        err += QString::fromUtf8(m_process.readAllStandardError());
        return m_process.exitCode();
    }
    QString out, err;

private:
    QProcess m_process;
};

// The run's last line; how many other messages passed depends on the bus's own traffic.
QRegularExpression ended(const QString& exchanges)
{
    return QRegularExpression("(^|\\n)tap ended: " + exchanges + ", \\d+ other messages not shown\\n$");
}

QString tapOf(const PrivateBus& bus) { return "dbus:Vantrel.Application@" + bus.address(); }

QString fileText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

struct UsageCase {
    std::string name;
    QStringList args;
    QString message;
};

class TapUsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(TapUsageTest, IsAUsageError)
{
    TapProcess run(GetParam().args);
    EXPECT_EQ(run.status(), 2);
    EXPECT_TRUE(run.err.startsWith("vantrel-test: " + GetParam().message)) << run.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    TapRun, TapUsageTest,
    ::testing::Values(
        UsageCase{"not_a_bus_server", {"--tap", "Vantrel.Application"},
                  "--tap watches a server on D-Bus: dbus, dbus:NAME, dbus:NAME@system, dbus:NAME@ADDRESS or "
                  "dbus:NAME@ssh:[USER@]HOST, not \"Vantrel.Application\""},
        UsageCase{"duration_zero", {"--tap", "dbus", "--duration", "0"},
                  "--duration takes a positive number of seconds (at most ten years), not \"0\""},
        UsageCase{"duration_word", {"--tap", "dbus", "--duration", "soon"},
                  "--duration takes a positive number of seconds (at most ten years), not \"soon\""},
        UsageCase{"client_without_tap", {"--client", "busctl"}, "--client picks the client of a tap: give --tap too"},
        UsageCase{"duration_without_tap", {"--duration", "5"}, "--duration ends a tap: give --tap too"},
        UsageCase{"with_a_script", {"--tap", "dbus", "--script", "x.vts"}, "--tap runs on its own: it takes no --script"},
        UsageCase{"capture_without_tap", {"--capture", "x.pcapng"}, "--capture writes what a tap saw: give --tap too"},
        UsageCase{"open_capture_without_output", {"--open-capture", "x.pcapng"},
                  "--open-capture converts a capture: give --trace FILE or --save-session FILE"},
        UsageCase{"open_capture_with_tap", {"--open-capture", "x.pcapng", "--tap", "dbus", "--trace", "t"},
                  "--open-capture reads a capture: it takes no --tap, --duration or --capture"},
        // The trace in a folder that takes it: an output refused first would hide the capture's refusal.
        UsageCase{"open_capture_not_pcapng", {"--open-capture", VANTREL_TAP_CLIENT, "--trace", "/tmp/vantrel-never-written"},
                  "--open-capture " VANTREL_TAP_CLIENT ": "},
        UsageCase{"capture_is_the_trace", {"--tap", "dbus", "--trace", "/tmp/same", "--capture", "/tmp/same"},
                  "--trace and --capture name the same file /tmp/same"}),
    test_names::ByName{});

TEST(TapRun, BusThatCannotBeReachedEndsWithStatus1)
{
    TapProcess run({"--tap", "dbus:Vantrel.Application@unix:path=/nonexistent/vantrel-bus"});
    EXPECT_EQ(run.status(), 1);
    EXPECT_TRUE(run.err.startsWith("vantrel-test: --tap: cannot reach the bus at unix:path=/nonexistent/vantrel-bus: "))
        << run.err.toStdString();
}

TEST(TapRun, BusThatRefusesMonitoringEndsWithStatus1)
{
    // The tests' bus, with monitoring refused to everyone.
    QTemporaryDir dir;
    const QString config = dbus::test::writeSystemLimitsConfig(dir);
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    text.replace("</policy>", "  <deny send_destination=\"org.freedesktop.DBus\" "
                              "send_interface=\"org.freedesktop.DBus.Monitoring\"/>\n  </policy>");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
    file.close();
    PrivateBus bus(config);
    TapProcess run({"--tap", tapOf(bus)});
    EXPECT_EQ(run.status(), 1);
    EXPECT_TRUE(run.err.startsWith("vantrel-test: --tap: the bus at " + bus.address() + " does not let the tap monitor it: "))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("(org.freedesktop.DBus.Error.AccessDenied); only the bus's own user and root may "
                                 "monitor it, unless its policy allows others\n"))
        << run.err.toStdString();
}

TEST(TapRun, WaitsForTheNameAndEndsAfterItsDuration)
{
    PrivateBus bus;
    TapProcess run({"--tap", tapOf(bus), "--duration", "30"});
    ASSERT_TRUE(run.waitForOutput("waiting for Vantrel.Application: the name has no owner\n"));
    ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing());
    ASSERT_TRUE(run.waitForOutput("Vantrel.Application is served by :1."));
    run.signal(SIGINT);
    EXPECT_EQ(run.status(), 0);
    EXPECT_TRUE(run.out.startsWith("tap: Vantrel.Application at " + bus.address() + "\n")) << run.out.toStdString();
    EXPECT_TRUE(ended("0 exchanges").match(run.out).hasMatch()) << run.out.toStdString();

    TapProcess timed({"--tap", tapOf(bus), "--duration", "0.2"});
    EXPECT_EQ(timed.status(), 0);
    EXPECT_TRUE(timed.out.contains("Vantrel.Application is served by :1.")) << timed.out.toStdString();
}

TEST(TapRun, WritesTheTraceAndASessionThatReplaysAgainstTheEmbeddedServer)
{
    PrivateBus bus;
    ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing());
    QTemporaryDir dir;
    const QString trace = dir.filePath("tap.jsonl"), saved = dir.filePath("tap.vts");
    TapProcess run({"--tap", tapOf(bus), "--trace", trace, "--save-session", saved});
    ASSERT_TRUE(run.waitForOutput("is served by"));
    test::PythonClient client(bus.address(), {"put:WindowControl:Visible\\r\\n\\0", "get:DispenserInformation:7",
                                              "get:Nothing", "get:CardQue", "call:ClearTopCardQue"});
    client.waitDone();
    const QString label = QString::fromStdString(client.unique) + " (pid " + QString::number(client.pid()) + ", python3)";
    ASSERT_TRUE(run.waitForOutput(label + " call ClearTopCardQue() (no reply expected)\n"));
    run.signal(SIGTERM);
    ASSERT_EQ(run.status(), 0) << run.err.toStdString();

    const QRegularExpression put("\\n\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d " + QRegularExpression::escape(label) +
                                 " put WindowControl = \"Visible␍␊␀\" -> ok \\(\\d+\\.\\d ms\\)\\n");
    EXPECT_TRUE(put.match(run.out).hasMatch()) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(label + " get Nothing() -> error 438: The server has no such property or method: 'Nothing' ("));
    EXPECT_TRUE(run.out.contains("Track2=;411111******1111=2812101?\" (")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("4111111111111111"));
    EXPECT_TRUE(ended("5 exchanges").match(run.out).hasMatch()) << run.out.toStdString();

    const QStringList lines = fileText(trace).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 7); // the start, five calls, one error
    const QJsonObject start = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    EXPECT_EQ(start["server"].toString(), "tap of Vantrel.Application at " + bus.address());
    EXPECT_TRUE(start["masked"].toBool());
    const QJsonObject call = QJsonDocument::fromJson(lines[3].toUtf8()).object();
    EXPECT_EQ(call["member"].toString(), "Nothing");
    EXPECT_EQ(call["client"].toString(), label);
    const QJsonObject error = QJsonDocument::fromJson(lines[4].toUtf8()).object();
    EXPECT_EQ(error["event"].toString(), "error");
    EXPECT_EQ(error["number"].toInt(), 438);
    EXPECT_FALSE(fileText(trace).contains("4111111111111111"));

    const QString session = fileText(saved);
    EXPECT_TRUE(session.startsWith("# The calls the site tap saw: Vantrel.Application at " + bus.address() + ", from "));
    EXPECT_TRUE(session.contains("\nput WindowControl string Visible\\r\\n\\0\nget DispenserInformation int16 7\n"
                                 "expect result is Dispenser=7\\r\\nState=Idle\\r\\n"));
    EXPECT_TRUE(session.endsWith("\nexpect error 438\nget Nothing\nget CardQue\nexpect result contains "
                                 "ReaderPosition=01\\r\\nCardType=Visa\\r\\nTrack2=;411111\ncall ClearTopCardQue\n"))
        << session.toStdString();
    TapProcess replay({"--script", saved});
    EXPECT_EQ(replay.status(), 0) << replay.out.toStdString();
    EXPECT_TRUE(replay.out.endsWith("script passed\n1 passed, 0 failed\n")) << replay.out.toStdString();
}

TEST(TapRun, ClientOptionLeavesOtherClientsOut)
{
    PrivateBus bus;
    ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing());
    TapProcess run({"--tap", tapOf(bus), "--client", "python3"});
    ASSERT_TRUE(run.waitForOutput("is served by"));
    QProcess busctl;
    busctl.start("busctl", test::busctlCall(bus.address(), {"QueCountQuery"}));
    ASSERT_TRUE(busctl.waitForFinished(10000));
    test::PythonClient client(bus.address(), {"get:KeyQue"});
    client.waitDone();
    ASSERT_TRUE(run.waitForOutput(" get KeyQue() -> "));
    run.signal(SIGTERM);
    ASSERT_EQ(run.status(), 0);
    EXPECT_FALSE(run.out.contains("QueCountQuery")) << run.out.toStdString();
    EXPECT_TRUE(ended("1 exchange \\(1 of other clients left out\\)").match(run.out).hasMatch()) << run.out.toStdString();
}

TEST(TapRun, CapturesMaskedMessagesThatConvertToTheSameSession)
{
    PrivateBus bus;
    ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing());
    QTemporaryDir dir;
    const QString pcapng = dir.filePath("tap.pcapng"), live = dir.filePath("live.vts"), read = dir.filePath("read.vts");
    TapProcess run({"--tap", tapOf(bus), "--capture", pcapng, "--save-session", live});
    ASSERT_TRUE(run.waitForOutput("is served by"));
    test::PythonClient client(bus.address(), {"get:DispenserInformation:7", "get:Nothing", "get:CardQue"});
    client.waitDone();
    ASSERT_TRUE(run.waitForOutput(" get CardQue() -> "));
    client.release();
    run.signal(SIGTERM);
    ASSERT_EQ(run.status(), 0) << run.err.toStdString();

    const capture::CaptureRead captured = capture::readCaptureFile(pcapng.toStdString());
    ASSERT_EQ(captured.error, "");
    EXPECT_TRUE(captured.skipped.empty());
    EXPECT_GE(captured.messages.size(), 6u); // three calls and their replies, and the bus's own
    for (const auto& message : captured.messages)
        EXPECT_FALSE(journal::holdsCardData(message.bytes));

    TapProcess convert({"--open-capture", pcapng, "--save-session", read});
    ASSERT_EQ(convert.status(), 0) << convert.err.toStdString();
    // The same calls; the card the capture holds is masked already, so only up to it.
    const auto body = [](const QString& session) { return session.section('\n', 1).section("get CardQue\n", 0, 0); };
    EXPECT_EQ(body(fileText(read)), body(fileText(live)));
    EXPECT_TRUE(body(fileText(read)).endsWith("expect error 438\nget Nothing\n")) << fileText(read).toStdString();
}

TEST(TapRun, OpenCaptureTellsTheBlocksItSkipped)
{
    QTemporaryDir dir;
    const QString pcapng = dir.filePath("bad.pcapng"), trace = dir.filePath("bad.jsonl");
    QFile file(pcapng);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const std::string bytes = capture::pcapngHeader() + capture::pcapngPacket({1000, "no D-Bus message"});
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    file.close();
    TapProcess convert({"--open-capture", pcapng, "--trace", trace});
    EXPECT_EQ(convert.status(), 0);
    EXPECT_TRUE(convert.err.startsWith("vantrel-test: --open-capture " + pcapng + ": 1 block skipped\n  at byte "))
        << convert.err.toStdString();
    EXPECT_TRUE(ended("0 exchanges").match(convert.out).hasMatch()) << convert.out.toStdString();
    EXPECT_EQ(fileText(trace).count('\n'), 1); // the start alone
}

} // namespace
} // namespace vantrel::tap
