// vantrel-test: the windowed utility, or with --script a headless run of
// session scripts. --trace writes the traffic trace in either mode; --server
// names the server (the embedded one, another identifier, or one on D-Bus);
// --screenshot saves a picture of the main window and ends (with --script:
// of the window in front when the scripts have run); --quit-when-idle ends
// as soon as the shown window is idle (start-up timing). --help lists them all.
#include "application.h"
#include "command_line.h"
#include "conformance_command.h"
#include "compare_run.h"
#include "output_file.h"
#include "script_runner.h"
#include "server_choice.h"
#include "server_probe.h"
#include "server_sites.h"
#include "session_files.h"
#include "status_line.h"
#include "tap_run.h"
#include "trace_writer.h"

#include "dbus/latin1.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/site_file.h"
#include "server/automation_registry.h"
#include "widgets/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

namespace {

int usageError(const std::string& reason)
{
    std::cerr << "vantrel-test: " << reason << "\n" << vantrel::usageText();
    return 2;
}

// Ends the trace, renamed into place; a trace that could not be written
// whole fails the run (the reason is said when it happens), and is not left
// as if it had been.
int withTrace(int status, vantrel::TraceWriter* trace)
{
    if (trace && !trace->finish()) {
        std::cerr << "vantrel-test: the trace is incomplete and was not saved\n";
        return status ? status : 1;
    }
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::string reason;
    const auto options = vantrel::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc), reason);
    if (!options)
        return usageError(reason);
    if (options->help) {
        std::cout << vantrel::helpText();
        return 0;
    }
    if (options->version) {
        std::cout << "vantrel-test " VANTREL_VERSION "\n";
        return 0;
    }

    // The conformance suite runs on its own, headless.
    if (!options->conformance.empty())
        return vantrel::runConformanceCommand(*options, argc, argv);

    std::vector<std::string> scripts;
    if (options->scriptGiven) {
        scripts = vantrel::expandScriptPaths(options->scripts, reason);
        if (scripts.empty())
            return usageError("--script: " + reason);
    }
    // Nothing the run writes may be what it reads, nor two outputs one file.
    reason = vantrel::clashingPaths(scripts, {{"--trace", options->trace},
                                              {"--junit", options->junit},
                                              {"--screenshot", options->screenshot},
                                              {"--save-session", options->saveSession}});
    if (!reason.empty())
        return usageError(reason);
    // Only a regular file (or a link to one) is written: a device, a FIFO or
    // a folder given as an output is refused before anything runs.
    for (const auto& [option, path] : {std::pair{"--trace", options->trace}, std::pair{"--junit", options->junit},
                                       std::pair{"--screenshot", options->screenshot},
                                       std::pair{"--save-session", options->saveSession}})
        if (const std::string why = path.empty() ? std::string() : vantrel::outputRefusal(path); !why.empty()) {
            std::cerr << "vantrel-test: " << option << " " << path << ": " << why << "\n";
            return 2;
        }
    // The site file is read whole and checked before anything runs.
    std::optional<vantrel::forecourt::SiteConfig> site;
    if (!options->site.empty()) {
        const auto read = vantrel::forecourt::readSiteFile(options->site);
        if (!read.config) {
            std::cerr << "vantrel-test: " << vantrel::forecourt::siteFileRefusal(options->site, read.error) << "\n";
            return 2;
        }
        site = read.config;
    }
    // Each script runs against a server of its own: their sessions are not one session.
    if (!options->saveSession.empty() && scripts.size() > 1)
        return usageError("--save-session saves one session: give one script, not " + std::to_string(scripts.size()));
    const bool masked = !options->traceUnmasked;
    if (!masked)
        std::cerr << "vantrel-test: --trace-unmasked: card numbers, track data and PIN blocks are written to the "
                     "files of this run as they came\n";
    // The site tap: headless (tap_run.h) when a file or a bound is asked for, or there is no display.
    const bool tapWindow = vantrel::tapInWindow(*options, vantrel::hasDisplay());
    if (!tapWindow && !options->openCapture.empty() && options->trace.empty() && options->saveSession.empty())
        return usageError("--open-capture converts a capture: give --trace FILE or --save-session FILE (or run it "
                          "with a display, to see it in the window)");
    if (!tapWindow && (!options->tap.empty() || !options->openCapture.empty()))
        return vantrel::runTap(*options, argc, argv);

    if (options->scriptGiven)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime folder; headless machines often have none.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = "/tmp/vantrel-runtime-" + QByteArray::number(getuid());
        mkdir(dir.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("VantrelTest");
    QApplication::setApplicationVersion(VANTREL_VERSION);

    // The server: --server, else VANTREL_SERVER, else (a windowed run, as the
    // desktop menu starts it) the server used last, if it is there.
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, "VantrelTest", "vantrel-test");
    vantrel::SiteBook sites(settings);
    const auto start = vantrel::chooseStartupServer(
        // The windowed --tap makes the utility's own calls to the server it taps.
        // A site file is the embedded simulator's: it goes with no other server unless --server names one.
        QString::fromLocal8Bit((!options->tap.empty()                      ? options->tap
                                : site && options->server.empty() ? std::string(vantrel::forecourt::kProgId)
                                                                  : options->server)
                                   .c_str()),
        qEnvironmentVariable("VANTREL_SERVER"),
        options->timeoutGiven ? std::optional<int>(static_cast<int>(options->timeout.count())) : std::nullopt,
        options->scriptGiven, sites.last());
    QString startNote, fallback;
    std::string serverName = start.server.toStdString();
    auto timeout = std::chrono::milliseconds(start.timeoutMs);
    if (start.from == vantrel::StartupServer::From::LastUsed) {
        const QString site = sites.siteOf(start.server);
        const QString described = vantrel::describeServer(start.server);
        const auto verdict = vantrel::probeAtStartup(start.server, timeout);
        if (verdict.usable()) {
            startNote = "Connected to the server used last: " + (site.isEmpty() ? described : site);
        } else {
            fallback = "The server used last, " + described + (site.isEmpty() ? QString() : " (" + site + ")") +
                       ", is not there: " + verdict.text + " Using the embedded simulator.";
            startNote = "The server used last is not there: using the embedded simulator";
            std::cerr << "vantrel-test: " << fallback.toStdString() << "\n";
            serverName = vantrel::forecourt::kProgId;
            timeout = options->timeout;
        }
    }
    vantrel::AutomationRegistry registry;
    const auto server =
        vantrel::chooseServer(registry, serverName, timeout, options->scriptGiven, reason, site ? &*site : nullptr);
    if (!server)
        return usageError(reason);

    std::unique_ptr<vantrel::TraceWriter> trace;
    if (!options->trace.empty()) {
        trace = std::make_unique<vantrel::TraceWriter>(options->trace, masked);
        if (!trace->isOpen()) {
            std::cerr << "vantrel-test: cannot write the trace " << options->trace << ": " << trace->errorText() << "\n";
            return 2;
        }
        trace->writeStart(vantrel::traceStart(server->description, masked));
    }

    if (!options->compare.empty() || !options->compareTrace.empty())
        return withTrace(vantrel::runComparison(*options, scripts, registry, *server, trace.get(), std::cout,
                                                     site ? &*site : nullptr),
                         trace.get());
    if (options->scriptGiven) {
        vantrel::ScriptRunOptions run;
        run.progId = server->progId;
        run.serverDescription = server->description;
        run.trace = trace.get();
        run.advance = server->advance;
        run.screenshot = options->screenshot;
        run.junit = options->junit;
        run.saveSession = options->saveSession;
        run.masked = masked;
        run.onClock = [t = trace.get()](std::function<long long()> clock) {
            if (t)
                t->setClock(std::move(clock));
        };
        if (trace)
            run.onLine = [t = trace.get()](const std::string& script, int line) { t->scriptLine(script, line); };
        const int status = vantrel::runScripts(scripts, registry, run, std::cout);
        return withTrace(status, trace.get());
    }

    std::unique_ptr<vantrel::Application> app;
    vantrel::QtPrompter prompter([&app]() -> QWidget* {
        if (!app)
            return nullptr;
        return app->windows().front();
    });
    vantrel::QtWaiter waiter;
    // The trace's times are the session's; what start-up does comes at 0.
    if (trace)
        trace->setClock([&app] { return app ? app->session().elapsedMs() : 0LL; });
    app = vantrel::Application::start(registry, server->progId, prompter, waiter, trace.get());
    if (!app)
        return withTrace(1, trace.get());
    app->mainWindow().setServerDescription(QString::fromStdString(server->description));
    app->mainWindow().setMasked(masked);
    // File → Connect to server… starts this program again with the server chosen, and this run ends.
    app->mainWindow().setConnection(QString::fromStdString(serverName), static_cast<int>(timeout.count()), &sites);
    app->mainWindow().setSiteFile(QString::fromLocal8Bit(options->site.c_str()));
    app->mainWindow().setRelauncher([](const QStringList& args) {
        QProcess process;
        process.setProgram(QCoreApplication::applicationFilePath());
        process.setArguments(args);
        return process.startDetached() ? QString() : process.errorString();
    });
    if (!startNote.isEmpty())
        app->mainWindow().statusLine()->setNote(startNote);
    // File → Run script… runs a script as --script does, its windows off the
    // screen: the embedded forecourt afresh on virtual time, or the same bus
    // server (never reset, since the window's session uses it too).
    vantrel::AutomationRegistry scriptRegistry;
    const bool embedded = serverName == vantrel::forecourt::kProgId;
    const auto scriptServer =
        vantrel::chooseServer(scriptRegistry, serverName, timeout, embedded, reason, site ? &*site : nullptr);
    if (scriptServer)
        app->mainWindow().setScriptRunner([&, scriptServer](const QString& path) {
            vantrel::ScriptRunOptions run;
            run.progId = scriptServer->progId;
            run.serverDescription = scriptServer->description;
            run.advance = scriptServer->advance;
            run.offScreen = true;
            std::ostringstream out;
            const int status = vantrel::runScripts({path.toStdString()}, scriptRegistry, run, out);
            app->mainWindow().showScriptRun(path, status, QString::fromStdString(out.str()));
        });
    *server->onWait = [&app](bool waiting, std::string_view member) {
        if (app)
            app->mainWindow().showWaiting(waiting, vantrel::fromBytes(member));
    };
    // Closing the main window ends the program, hidden or open secondary windows
    // with it; a wait in progress ends first.
    QObject::connect(&app->mainWindow(), &vantrel::MainWindow::closing, [&waiter] { waiter.setClosing(); });
    QObject::connect(&app->mainWindow(), &vantrel::MainWindow::closing, &qapp, &QApplication::quit, Qt::QueuedConnection);
    app->mainWindow().show();
    if (auto* first = app->mainWindow().button("PayOutSale"))
        first->setFocus();
    if (!fallback.isEmpty()) {
        // Said over the window without stopping it: the run goes on with the embedded simulator.
        auto* box = new QMessageBox(QMessageBox::Information, "VantrelTest", fallback, QMessageBox::Ok, &app->mainWindow());
        box->setObjectName("ServerUsedLastMissing");
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
    // The journal opens beside the main window once the window manager has
    // placed it, so that it is placed off the main window's boxes.
    if (!options->tap.empty() || !options->openCapture.empty())
        QTimer::singleShot(0, &app->mainWindow(), [&app, tap = !options->tap.empty(),
                                                   capture = QString::fromLocal8Bit(options->openCapture.c_str())] {
            if (tap)
                app->mainWindow().setSiteTap(true);
            if (!capture.isEmpty())
                app->mainWindow().openCaptureAndReport(capture);
        });
    if (!options->screenshot.empty()) {
        // Shows the window, saves a picture of it and ends: for the documentation.
        QTimer::singleShot(300, [&] {
            std::string why;
            const bool saved = vantrel::saveScreenshot(app->mainWindow(), options->screenshot, why);
            if (!saved)
                std::cerr << "vantrel-test: cannot save the screenshot " << options->screenshot << ": " << why << "\n";
            QApplication::exit(saved ? 0 : 1);
        });
    }
    if (options->quitWhenIdle) // measures start-up: ends once the shown window has nothing left to do
        QTimer::singleShot(0, [] { QApplication::quit(); });
    int status = qapp.exec();
    *server->onWait = nullptr;
    if (!options->saveSession.empty()) {
        QString why;
        if (!app->mainWindow().saveSessionAs(QString::fromStdString(options->saveSession), why)) {
            std::cerr << "vantrel-test: cannot save the session " << options->saveSession << ": " << why.toStdString() << "\n";
            status = status ? status : 1;
        } else if (app->recorder().typedCardNumber()) {
            std::cerr << "vantrel-test: the saved session keeps typed text that looks like a card number as it was typed\n";
        }
    }
    const int result = withTrace(status, trace.get());
    settings.sync();
    if (!vantrel::probesEnded(std::chrono::seconds(2))) {
        // A probe of a bus that does not answer is still out on its thread:
        // Qt D-Bus must not be torn down under it. Everything is written.
        std::cout.flush();
        std::cerr.flush();
        std::_Exit(result);
    }
    return result;
}
