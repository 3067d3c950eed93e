// vantrel-forecourt: the embedded simulated forecourt served on D-Bus as
// Vantrel.Application, for other programs (a point-of-sale, a script,
// busctl) and for vantrel-test --server dbus. Ends cleanly on SIGINT and
// SIGTERM; the exit statuses are in service_options.h.
#include "board_launcher.h"
#include "forecourt_service.h"
#include "service_options.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

using namespace vantrel::service;

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

void printLine(const std::string& line)
{
    const std::string stamped =
        QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")).toStdString() + " " + line + "\n";
    std::fwrite(stamped.data(), 1, stamped.size(), stderr);
}

// SIGINT and SIGTERM end the event loop from the loop itself.
bool catchTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char byte;
        [[maybe_unused]] const auto read = ::read(g_signalPipe[0], &byte, 1);
        QCoreApplication::exit(0);
    });
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string reason;
    const auto parsed = parseServiceOptions(args, reason);
    if (!parsed) {
        std::cerr << "vantrel-forecourt: " << reason << "\n\n" << usageText();
        return kExitUsage;
    }
    ServiceOptions options = *parsed;
    // The site file is read whole and checked before anything is served.
    if (!options.siteFile.empty() && !options.help && !options.version) {
        const auto site = vantrel::forecourt::readSiteFile(options.siteFile);
        if (!site.config) {
            std::cerr << "vantrel-forecourt: " << vantrel::forecourt::siteFileRefusal(options.siteFile, site.error) << "\n";
            return kExitUsage;
        }
        options.site = *site.config;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }
    if (options.version) {
        std::cout << "vantrel-forecourt " << VANTREL_VERSION << "\n";
        return 0;
    }

    QCoreApplication app(argc, argv);
    if (!catchTerminationSignals()) {
        std::cerr << "vantrel-forecourt: cannot catch SIGINT and SIGTERM: " << std::strerror(errno) << "\n";
        return kExitCannotStart;
    }
    ForecourtService::LogSink log;
    if (!options.quiet)
        log = printLine;
    const auto notify = [quiet = options.quiet](const std::string& line) {
        if (!quiet)
            printLine(line);
    };
    BoardLauncher board(notify);
    if (options.board)
        if (const std::string refused = board.prepare(); !refused.empty()) {
            std::cerr << "vantrel-forecourt: " << refused << "\n";
            return kExitCannotStart;
        }
    // An end the service did not choose is said whatever -q says.
    const auto problem = [](const std::string& line) { printLine("vantrel-forecourt: " + line); };
    ForecourtService service(options, log, notify, problem);
    if (const std::string refused = service.start(); !refused.empty()) {
        std::cerr << "vantrel-forecourt: " << refused << "\n";
        return kExitCannotStart;
    }
    if (const auto status = service.endStatus())
        return *status;
    notify(std::string("serving Vantrel.Application at /Vantrel/Application on ") + service.busDescription() +
           (options.virtualClock ? " (virtual clock)" : ""));
    if (options.board)
        if (const std::string refused = board.start(options); !refused.empty()) {
            std::cerr << "vantrel-forecourt: " << refused << "\n";
            return kExitCannotStart;
        }
    const int status = app.exec();
    notify("ended");
    return status;
}
