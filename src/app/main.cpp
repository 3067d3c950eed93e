// vantrel-test: the windowed utility, or with --script a headless run of a
// session script. --trace writes the traffic trace in either mode; --server
// names another programmatic identifier than "Vantrel.Application";
// --screenshot saves a picture of the main window and ends (with --script:
// of the window in front when the script has run);
// --quit-when-idle ends as soon as the shown window is idle (start-up timing).
#include "application.h"
#include "script_runner.h"
#include "trace_writer.h"

#include "forecourt/forecourt_server.h"
#include "server/automation_registry.h"
#include "widgets/qt_prompter.h"

#include <QApplication>

#include <sys/stat.h>
#include <unistd.h>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

namespace {

struct Options {
    std::string script, trace, screenshot, server = vantrel::forecourt::kProgId;
    bool quitWhenIdle = false;
};

const char* kUsage = "usage: vantrel-test [--script FILE] [--trace FILE] [--server PROGID] [--screenshot PNG] [--quit-when-idle]\n";

std::optional<Options> parse(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (arg == "--quit-when-idle") {
            o.quitWhenIdle = true;
            continue;
        }
        if ((arg == "--script" && next(o.script)) || (arg == "--trace" && next(o.trace)) ||
            (arg == "--server" && next(o.server)) || (arg == "--screenshot" && next(o.screenshot)))
            continue;
        return std::nullopt;
    }
    return o;
}

} // namespace

int main(int argc, char** argv)
{
    const auto options = parse(argc, argv);
    if (!options) {
        std::cerr << kUsage;
        return 2;
    }
    if (!options->script.empty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt wants a private runtime folder; headless machines often have none.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QByteArray dir = "/tmp/vantrel-runtime-" + QByteArray::number(getuid());
        mkdir(dir.constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    QApplication qapp(argc, argv);
    QApplication::setApplicationName("VantrelTest");

    vantrel::AutomationRegistry registry;
    vantrel::forecourt::registerForecourtServer(registry);

    std::unique_ptr<vantrel::TraceWriter> trace;
    if (!options->trace.empty()) {
        trace = std::make_unique<vantrel::TraceWriter>(options->trace);
        if (!trace->isOpen()) {
            std::cerr << "vantrel-test: cannot write the trace " << options->trace << ": " << trace->errorText() << "\n";
            return 2;
        }
    }

    if (!options->script.empty()) {
        // The embedded server runs on the script's virtual time, so a script
        // gives the same records and answers on every run.
        auto clock = std::make_shared<vantrel::forecourt::ManualClock>();
        registry.add(vantrel::forecourt::kProgId, [clock] { return std::make_unique<vantrel::forecourt::ForecourtServer>(clock); });
        return vantrel::runScriptFile(options->script, registry, options->server, trace.get(), std::cout,
                                      [clock](std::chrono::milliseconds by) { clock->advance(by); },
                                      options->screenshot);
    }

    std::unique_ptr<vantrel::Application> app;
    vantrel::QtPrompter prompter([&app]() -> QWidget* {
        if (!app)
            return nullptr;
        return app->windows().front();
    });
    vantrel::QtWaiter waiter;
    app = vantrel::Application::start(registry, options->server, prompter, waiter, trace.get());
    if (!app)
        return 1;
    // Closing the main window ends the program, hidden or open secondary windows
    // with it; a wait in progress ends first.
    QObject::connect(&app->mainWindow(), &vantrel::MainWindow::closing, [&waiter] { waiter.setClosing(); });
    QObject::connect(&app->mainWindow(), &vantrel::MainWindow::closing, &qapp, &QApplication::quit, Qt::QueuedConnection);
    app->mainWindow().show();
    if (auto* first = app->mainWindow().button("PayOutSale"))
        first->setFocus();
    if (!options->screenshot.empty()) {
        // Shows the window, saves a picture of it and ends: for the documentation.
        QTimer::singleShot(300, [&] {
            const bool saved = app->mainWindow().grab().save(QString::fromStdString(options->screenshot));
            QApplication::exit(saved ? 0 : 1);
        });
    }
    if (options->quitWhenIdle) // measures start-up: ends once the shown window has nothing left to do
        QTimer::singleShot(0, [] { QApplication::quit(); });
    return qapp.exec();
}
