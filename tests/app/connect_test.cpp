// File → Connect to server…: the saved sites, the server chosen at start-up,
// the probe's verdict (against a private bus), the dialog over them and the
// new run it starts. Settings live in a temporary file, never the user's.
#include "support/running_utility.h"

#include "app/connect_dialog.h"
#include "app/server_probe.h"
#include "app/server_sites.h"
#include "bus_fixture.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vantrel;
using vantrel::dbus::test::PrivateBus;
using vantrel::dbus::test::ServiceProcess;

namespace {

struct Settings {
    QTemporaryDir dir;
    QSettings settings{dir.filePath("vantrel-test.conf"), QSettings::IniFormat};
};

const QDateTime kMonday(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);

struct SpecCase {
    const char* name;
    ServerForm form;
    const char* spec; // empty: refused
};
void PrintTo(const SpecCase& c, std::ostream* os) { *os << c.name; }
class ServerSpecs : public ::testing::TestWithParam<SpecCase> {};
TEST_P(ServerSpecs, AreWhatServerTakesAndReadBack)
{
    const auto& c = GetParam();
    QString problem;
    const QString spec = serverSpec(c.form, problem);
    EXPECT_EQ(spec, c.spec);
    if (spec.isEmpty()) {
        EXPECT_FALSE(problem.isEmpty());
        return;
    }
    const auto back = serverForm(spec);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->kind, c.form.kind);
    EXPECT_EQ(serverSpec(*back, problem), spec);
}
INSTANTIATE_TEST_SUITE_P(
    Forms, ServerSpecs,
    ::testing::Values(SpecCase{"Embedded", {ServerKind::Embedded, "Ignored", ""}, "Vantrel.Application"},
                      SpecCase{"SessionBus", {ServerKind::SessionBus, "Vantrel.Application", ""}, "dbus:Vantrel.Application"},
                      SpecCase{"SystemBus", {ServerKind::SystemBus, "Site.Forecourt", ""}, "dbus:Site.Forecourt@system"},
                      SpecCase{"Address", {ServerKind::Address, "Vantrel.Application", " unix:path=/run/site.sock "},
                               "dbus:Vantrel.Application@unix:path=/run/site.sock"},
                      SpecCase{"AddressMissing", {ServerKind::Address, "Vantrel.Application", ""}, ""},
                      SpecCase{"BadBusName", {ServerKind::SessionBus, "no name", ""}, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct StartCase {
    const char* name;
    const char* commandLine;
    const char* environment;
    std::optional<int> timeout;
    bool script;
    bool hasLast;
    const char* server;
    int timeoutMs;
    StartupServer::From from;
};
void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }
class StartupServers : public ::testing::TestWithParam<StartCase> {};
TEST_P(StartupServers, CommandLineThenEnvironmentThenTheServerUsedLast)
{
    const auto& c = GetParam();
    const std::optional<LastServer> last =
        c.hasLast ? std::optional(LastServer{"dbus:Site.A@system", 900}) : std::nullopt;
    const auto got = chooseStartupServer(c.commandLine, c.environment, c.timeout, c.script, last);
    EXPECT_EQ(got.server, c.server);
    EXPECT_EQ(got.timeoutMs, c.timeoutMs);
    EXPECT_EQ(got.from, c.from);
}
INSTANTIATE_TEST_SUITE_P(
    Choices, StartupServers,
    ::testing::Values(
        StartCase{"CommandLineWins", "dbus", "dbus:X", {}, false, true, "dbus", 5000, StartupServer::From::CommandLine},
        StartCase{"EnvironmentNext", "", "dbus:X", 700, false, true, "dbus:X", 700, StartupServer::From::Environment},
        StartCase{"FromTheMenuTheLastOne", "", "", {}, false, true, "dbus:Site.A@system", 900, StartupServer::From::LastUsed},
        StartCase{"GivenTimeoutBeatsTheSites", "", "", 250, false, true, "dbus:Site.A@system", 250,
                  StartupServer::From::LastUsed},
        StartCase{"ScriptsNeverTakeIt", "", "", {}, true, true, "Vantrel.Application", 5000, StartupServer::From::Default},
        StartCase{"NothingUsedYet", "", "", {}, false, false, "Vantrel.Application", 5000, StartupServer::From::Default}),
    [](const auto& info) { return std::string(info.param.name); });

struct VerdictCase {
    const char* name;
    ProbeFacts facts;
    ProbeVerdict::Kind kind;
    const char* text;
};
void PrintTo(const VerdictCase& c, std::ostream* os) { *os << c.name; }
class Verdicts : public ::testing::TestWithParam<VerdictCase> {};
TEST_P(Verdicts, SayWhatTheBusSaid)
{
    const dbus::Endpoint endpoint{"Vantrel.Application", dbus::Endpoint::Bus::Address, "unix:path=/run/site.sock"};
    const auto verdict = judgeProbe(endpoint, GetParam().facts);
    EXPECT_EQ(verdict.kind, GetParam().kind);
    EXPECT_EQ(verdict.text, GetParam().text);
}
ProbeFacts facts(bool connected, QString error, bool owner, bool activatable, bool introspected = false,
                 QStringList interfaces = {}, int members = 0)
{
    return {connected, error, owner, activatable, introspected, introspected ? QString() : QString("no answer"),
            interfaces, members};
}
INSTANTIATE_TEST_SUITE_P(
    Facts, Verdicts,
    ::testing::Values(
        VerdictCase{"Unreachable", facts(false, "No such file or directory", false, false), ProbeVerdict::Kind::Unreachable,
                    "The bus at unix:path=/run/site.sock cannot be reached: No such file or directory."},
        VerdictCase{"NoAnswer", facts(true, "Timeout (org.freedesktop.DBus.Error.Timeout)", false, false),
                    ProbeVerdict::Kind::Unreachable,
                    "The bus at unix:path=/run/site.sock answered no question about Vantrel.Application: Timeout "
                    "(org.freedesktop.DBus.Error.Timeout)."},
        VerdictCase{"Absent", facts(true, {}, false, false), ProbeVerdict::Kind::Absent,
                    "Nothing serves Vantrel.Application at unix:path=/run/site.sock: the name has no owner and cannot be "
                    "activated."},
        VerdictCase{"Activatable", facts(true, {}, false, true), ProbeVerdict::Kind::Activatable,
                    "Vantrel.Application at unix:path=/run/site.sock is not running; the bus starts it on the first call."},
        VerdictCase{"Foreign", facts(true, {}, true, false, true, {"org.freedesktop.DBus.Peer"}),
                    ProbeVerdict::Kind::NoForecourtServer,
                    "Vantrel.Application at unix:path=/run/site.sock is there, but its object /Vantrel/Application has no "
                    "Vantrel.Application interface: it is no forecourt server."},
        VerdictCase{"Simulator", facts(true, {}, true, false, true, {"Vantrel.Application", "Vantrel.Simulator"}, 37),
                    ProbeVerdict::Kind::There,
                    "Vantrel.Application at unix:path=/run/site.sock is there: it serves Vantrel.Application with 37 "
                    "members, and a simulated site (Vantrel.Simulator)."}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST(SiteBookTest, KeepsSitesRecentFirstAcrossRuns)
{
    Settings s;
    {
        SiteBook book(s.settings);
        EXPECT_EQ(book.add({"Shop 12", "dbus:Vantrel.Application@system", 2000, {}}), "");
        EXPECT_EQ(book.add({"Bench", "Vantrel.Application", 5000, {}}), "");
        EXPECT_EQ(book.add({" Airport ", "dbus:Vantrel.Application@unix:path=/run/a.sock", 800, {}}), "");
        book.markUsed("dbus:Vantrel.Application@system", 2000, "Shop 12", kMonday);
        book.markUsed("Vantrel.Application", 5000, "Bench", kMonday.addSecs(60));
    }
    SiteBook again(s.settings);
    QStringList names;
    for (const auto& site : again.sites())
        names << site.name;
    EXPECT_EQ(names, (QStringList{"Bench", "Shop 12", "Airport"}));
    ASSERT_TRUE(again.last().has_value());
    EXPECT_EQ(again.last()->server, "Vantrel.Application");
    EXPECT_EQ(again.find("Airport")->timeoutMs, 800);
    EXPECT_EQ(again.siteOf("dbus:Vantrel.Application@system"), "Shop 12");
}

TEST(SiteBookTest, RefusesWhatCannotBeASiteAndSaysWhy)
{
    Settings s;
    SiteBook book(s.settings);
    ASSERT_EQ(book.add({"Shop", "dbus", 5000, {}}), "");
    EXPECT_EQ(book.add({"Shop", "dbus:Other.Name", 5000, {}}), "A site named \"Shop\" is saved already.");
    EXPECT_EQ(book.add({"  ", "dbus", 5000, {}}), "Give the site a name.");
    EXPECT_EQ(book.add({"X", "dbus:", 5000, {}}),
              "\"dbus:\" is no server: the embedded simulator, or dbus, dbus:NAME, dbus:NAME@system, "
              "dbus:NAME@ADDRESS or dbus:NAME@ssh:[USER@]HOST.");
    EXPECT_EQ(book.add({"X", "dbus", 0, {}}), "The timeout is 0 ms: give 1 to 600000 ms.");
    EXPECT_EQ(book.rename("Nowhere", "Y"), "No site is named \"Nowhere\".");
    ASSERT_EQ(book.add({"Depot", "dbus", 5000, {}}), "");
    EXPECT_EQ(book.rename("Depot", "Shop"), "A site named \"Shop\" is saved already.");
    EXPECT_EQ(book.rename("Depot", "Depot North"), "");
    EXPECT_EQ(book.remove("Shop"), "");
    EXPECT_EQ(book.remove("Shop"), "No site is named \"Shop\".");
    ASSERT_EQ(book.sites().size(), 1);
    EXPECT_EQ(book.sites().front().name, "Depot North");
}

TEST(SiteBookTest, ASiteEditedByHandIntoNonsenseIsLeftOut)
{
    Settings s;
    s.settings.beginWriteArray("sites", 2);
    s.settings.setArrayIndex(0);
    s.settings.setValue("name", "Good");
    s.settings.setValue("server", "dbus");
    s.settings.setArrayIndex(1);
    s.settings.setValue("name", "Bad");
    s.settings.setValue("server", "ftp://nowhere");
    s.settings.endArray();
    s.settings.setValue("last/server", "nonsense");
    SiteBook book(s.settings);
    ASSERT_EQ(book.sites().size(), 1);
    EXPECT_EQ(book.sites().front().name, "Good");
    EXPECT_FALSE(book.last().has_value());
}

TEST(ServerProbeTest, TellsAServerThereFromNothingAndFromNoBus)
{
    PrivateBus bus;
    const QString address = "dbus:Vantrel.Application@" + bus.address();
    const auto endpoint = dbus::parseServerSpec(address.toStdString());
    ASSERT_TRUE(endpoint.has_value());
    const auto none = judgeProbe(*endpoint, probeServer(*endpoint, std::chrono::milliseconds(5000)));
    EXPECT_EQ(none.kind, ProbeVerdict::Kind::Absent) << none.text.toStdString();

    ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    const ProbeFacts there = probeServer(*endpoint, std::chrono::milliseconds(5000));
    EXPECT_TRUE(there.hasOwner);
    EXPECT_TRUE(there.interfaces.contains("Vantrel.Simulator"));
    EXPECT_GT(there.applicationMembers, 30);
    EXPECT_EQ(judgeProbe(*endpoint, there).kind, ProbeVerdict::Kind::There);

    const auto gone = dbus::parseServerSpec("dbus:Vantrel.Application@unix:path=/nonexistent/bus.sock");
    const auto unreachable = judgeProbe(*gone, probeServer(*gone, std::chrono::milliseconds(2000)));
    EXPECT_EQ(unreachable.kind, ProbeVerdict::Kind::Unreachable);
    EXPECT_TRUE(unreachable.text.startsWith("The bus at unix:path=/nonexistent/bus.sock cannot be reached: "))
        << unreachable.text.toStdString();
}

TEST(ServerProbeTest, TheProberAnswersOnItsOwnThreadAndOnlyForTheLatestQuestion)
{
    PrivateBus bus;
    ServerProber prober;
    std::vector<std::pair<QString, ProbeVerdict::Kind>> answers;
    QObject::connect(&prober, &ServerProber::judged,
                     [&](const QString& spec, const ProbeVerdict& v) { answers.emplace_back(spec, v.kind); });
    const QString absent = "dbus:Nobody.Here@" + bus.address();
    prober.probe("dbus:Vantrel.Application@unix:path=/nonexistent/bus.sock", std::chrono::milliseconds(2000));
    prober.probe(absent, std::chrono::milliseconds(2000)); // makes the first answer void
    EXPECT_TRUE(answers.empty()); // nothing is told before the event loop turns
    ASSERT_TRUE(dbus::test::waitFor([&] { return !prober.busy(); }));
    QTest::qWait(50); // a late answer of the first probe would come now
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].first, absent);
    EXPECT_EQ(answers[0].second, ProbeVerdict::Kind::Absent);
    prober.probe("Vantrel.Application", std::chrono::milliseconds(10)); // embedded: judged at once
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[1].second, ProbeVerdict::Kind::There);
}

// A bus address whose socket takes the connection and never says a word:
// the probe stays out until the socket goes, and the program can tell.
TEST(ServerProbeTest, AProbeStillOutIsWaitedForUntilItEnds)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("silent.sock").toLocal8Bit();
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 4), 0);

    ASSERT_TRUE(probesEnded(std::chrono::milliseconds(0)));
    ServerProber prober;
    prober.probe("dbus:Vantrel.Application@unix:path=" + QString::fromLocal8Bit(path), std::chrono::milliseconds(2000));
    EXPECT_FALSE(probesEnded(std::chrono::milliseconds(200)));
    ::close(listener); // the waiting connection is reset: the probe ends
    EXPECT_TRUE(probesEnded(std::chrono::seconds(10)));
}

TEST(ConnectDialogTest, ASiteFillsTheFormAndEnterConnects)
{
    Settings s;
    SiteBook book(s.settings);
    ASSERT_EQ(book.add({"Shop 12", "dbus:Site.Forecourt@system", 1500, {}}), "");
    ConnectDialog dialog(book, "Vantrel.Application", 5000);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("kindEmbedded")->isChecked());
    EXPECT_EQ(dialog.verdictText(), embeddedVerdict().text);
    dialog.findChild<QListWidget*>("siteList")->setCurrentRow(0);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("kindSystem")->isChecked());
    EXPECT_EQ(dialog.findChild<QLineEdit*>("busName")->text(), "Site.Forecourt");
    EXPECT_EQ(dialog.findChild<QSpinBox*>("timeout")->value(), 1500);
    EXPECT_EQ(dialog.server(), "dbus:Site.Forecourt@system");
    EXPECT_EQ(dialog.siteName(), "Shop 12");
    dialog.show();
    QTest::keyClick(dialog.findChild<QLineEdit*>("busName"), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(ConnectDialogTest, AFormThatIsNoServerSaysWhyAndCannotConnect)
{
    Settings s;
    SiteBook book(s.settings);
    ConnectDialog dialog(book, "dbus:Vantrel.Application", 5000);
    dialog.findChild<QRadioButton*>("kindAddress")->click();
    EXPECT_FALSE(dialog.findChild<QPushButton*>("connect")->isEnabled());
    EXPECT_EQ(dialog.verdictText(), "Give the bus address, such as unix:path=/run/site.sock.");
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(ConnectDialogTest, TabGoesFromTheSitesThroughTheServerToConnect)
{
    Settings s;
    SiteBook book(s.settings);
    ConnectDialog dialog(book, "dbus:Vantrel.Application@unix:path=/tmp/x", 5000);
    QStringList order;
    QWidget* first = dialog.findChild<QListWidget*>("siteList");
    QWidget* w = first;
    do {
        if (w->focusPolicy() & Qt::TabFocus && !w->objectName().isEmpty() && !w->objectName().startsWith("qt_"))
            order << w->objectName();
        w = w->nextInFocusChain();
    } while (w && w != first);
    const QStringList expected{"siteList", "saveSite", "renameSite", "removeSite", "kindEmbedded", "kindSession", "kindSystem",
                               "kindAddress", "busName", "busAddress", "timeout"};
    EXPECT_EQ(order.mid(0, expected.size()).join(' ').toStdString(), expected.join(' ').toStdString());
    EXPECT_GT(order.indexOf("connect"), order.indexOf("checkServer"));
    for (auto* widget : dialog.findChildren<QWidget*>()) {
        if (widget->focusPolicy() & Qt::TabFocus && !widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_")) {
            EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
        }
    }
}

TEST(ConnectFromTheMainWindow, StartsANewRunWithTheServerAndEndsThisOne)
{
    Settings s;
    SiteBook book(s.settings);
    ASSERT_EQ(book.add({"Shop 12", "dbus:Site.Forecourt@system", 1500, {}}), "");
    test::RunningUtility u;
    MainWindow& w = u.app->mainWindow();
    w.setConnection("Vantrel.Application", 5000, &book);
    w.show();
    QStringList started;
    w.setRelauncher([&](const QStringList& args) {
        started = args;
        return QString();
    });
    w.setSiteFile("station.json"); // not for a server on a bus, whose site is its own
    ASSERT_TRUE(w.connectTo("dbus:Site.Forecourt@system", 1500, "Shop 12"));
    EXPECT_EQ(started, (QStringList{"--server", "dbus:Site.Forecourt@system", "--timeout", "1500"}));
    EXPECT_FALSE(w.isVisible());
    ASSERT_TRUE(book.last().has_value());
    EXPECT_EQ(book.last()->server, "dbus:Site.Forecourt@system");
    EXPECT_TRUE(book.sites().front().lastUsed.isValid());
    // The site file of this run's embedded simulator goes with it to the next embedded one.
    ASSERT_TRUE(w.connectTo("Vantrel.Application", 1500, {}));
    EXPECT_EQ(started, (QStringList{"--server", "Vantrel.Application", "--timeout", "1500", "--site",
                                    QFileInfo("station.json").absoluteFilePath()}));
}

TEST(ConnectFromTheMainWindow, AStartThatFailsSaysWhyAndKeepsThisRun)
{
    Settings s;
    SiteBook book(s.settings);
    test::RunningUtility u;
    MainWindow& w = u.app->mainWindow();
    w.setConnection("Vantrel.Application", 5000, &book);
    w.show();
    w.setRelauncher([](const QStringList&) { return QStringLiteral("No such file or directory"); });
    QString shown;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            shown = box->findChild<QLabel*>("qt_msgbox_label")->text();
            box->close();
        }
    });
    EXPECT_FALSE(w.connectTo("dbus", 5000, {}));
    EXPECT_EQ(shown, "The utility cannot start again with Vantrel.Application on the session bus: No such file or directory");
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(book.last().has_value());
}

namespace {
// The utility as the desktop menu starts it (no --server, no VANTREL_SERVER),
// with settings in `config` and the server used last written there.
struct MenuStart {
    int status;
    QByteArray err;
};
MenuStart startFromTheMenu(const QTemporaryDir& config, const QString& lastServer, const QStringList& args)
{
    {
        QSettings settings(config.filePath("VantrelTest/vantrel-test.conf"), QSettings::NativeFormat);
        settings.setValue("last/server", lastServer);
        settings.setValue("last/timeoutMs", 2000);
    }
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    env.remove("VANTREL_SERVER");
    p.setProcessEnvironment(env);
    p.start(VANTREL_EXE, args);
    p.waitForFinished(60000);
    return {p.exitCode(), p.readAllStandardError()};
}
std::string firstLine(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readLine().toStdString() : std::string();
}
} // namespace

TEST(StartFromTheMenu, ConnectsToTheServerUsedLastWhenItIsThere)
{
    PrivateBus bus;
    ServiceProcess service(bus);
    ASSERT_TRUE(service.waitUntilServing()) << service.log().toStdString();
    QTemporaryDir config;
    const QString trace = config.filePath("t.jsonl");
    const auto run = startFromTheMenu(config, "dbus:Vantrel.Application@" + bus.address(),
                                      {"--quit-when-idle", "--trace", trace});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_NE(firstLine(trace).find("Vantrel.Application at " + bus.address().toStdString()), std::string::npos)
        << firstLine(trace);
}

TEST(StartFromTheMenu, FallsBackToTheEmbeddedSimulatorAndSaysWhy)
{
    QTemporaryDir config;
    const QString trace = config.filePath("t.jsonl");
    const auto run = startFromTheMenu(config, "dbus:Vantrel.Application@unix:path=/nonexistent/site.sock",
                                      {"--quit-when-idle", "--trace", trace});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.err.contains("The server used last, Vantrel.Application at unix:path=/nonexistent/site.sock, is not "
                                 "there: The bus at unix:path=/nonexistent/site.sock cannot be reached: "))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Using the embedded simulator.")) << run.err.toStdString();
    EXPECT_NE(firstLine(trace).find("(embedded)"), std::string::npos) << firstLine(trace);
    // --server still decides when given: no probe, no word about the server used last.
    const auto given = startFromTheMenu(config, "dbus:Vantrel.Application@unix:path=/nonexistent/site.sock",
                                        {"--quit-when-idle", "--server", "Vantrel.Application"});
    EXPECT_EQ(given.status, 0);
    EXPECT_FALSE(given.err.contains("used last")) << given.err.toStdString();
}
