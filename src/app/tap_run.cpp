#include "tap_run.h"

#include "command_line.h"
#include "output_file.h"
#include "tap_run_outputs.h"

#include "capture/capture.h"
#include "dbus/endpoint.h"
#include "tap/site_tap.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <iostream>
#include <memory>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace vantrel {

namespace {
// How much the headless tap yields the processor to the traffic it watches.
constexpr int kTapNiceness = 10;
} // namespace

namespace {

std::int64_t nowUsec() { return tap::SiteTap::nowUsec(); }

// SIGINT and SIGTERM end the tap from the event loop: the handler only writes a byte.
int g_signalPipe[2] = {-1, -1};

extern "C" void signalled(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// The handlers of SIGINT and SIGTERM while the tap runs.
struct SignalPipe {
    struct sigaction before[2] = {};
    SignalPipe()
    {
        if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        struct sigaction action = {};
        action.sa_handler = signalled;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &before[0]);
        sigaction(SIGTERM, &action, &before[1]);
    }
    ~SignalPipe()
    {
        if (g_signalPipe[0] < 0)
            return;
        sigaction(SIGINT, &before[0], nullptr);
        sigaction(SIGTERM, &before[1], nullptr);
        ::close(g_signalPipe[0]);
        ::close(g_signalPipe[1]);
        g_signalPipe[0] = g_signalPipe[1] = -1;
    }
};

// Each exchange that ended, shown or (--client) left out, and counted.
struct Shown {
    const CommandLine& options;
    TapOutputs& outputs;
    const tap::SiteTap& tap;
    std::uint64_t shown = 0, leftOut = 0;

    void operator()(const tap::Exchange& e, const std::string& client)
    {
        if (!e.ended())
            return; // told again when it ends
        if (options.client.empty() || tap.matches(e.client, options.client)) {
            outputs.show(e, client);
            ++shown;
        } else {
            outputs.leftOut(e);
            ++leftOut;
        }
    }
    // "tap ended: 5 exchanges (2 of other clients left out), 9 other messages not shown".
    void sayEnd() const
    {
        std::cout << "tap ended: " << shown << (shown == 1 ? " exchange" : " exchanges");
        if (leftOut > 0)
            std::cout << " (" << leftOut << " of other clients left out)";
        std::cout << ", " << tap.decoder().otherCount() << " other messages not shown" << std::endl;
    }
};

class TapRun {
public:
    TapRun(const CommandLine& options, const dbus::Endpoint& endpoint)
        : m_options(options), m_endpoint(endpoint), m_tap(endpoint),
          m_outputs(options, dbus::describe(endpoint), nowUsec()), m_shown{options, m_outputs, m_tap}
    {
    }
    int exec();

private:
    void sayOwner(const std::string& owner);
    void quit(int status);

    const CommandLine& m_options;
    dbus::Endpoint m_endpoint;
    tap::SiteTap m_tap;
    TapOutputs m_outputs;
    Shown m_shown;
    int m_status = 0;
};

int TapRun::exec()
{
    if (!m_outputs.open())
        return 2; // as for any output that cannot be made before the run
    m_tap.setListener({[this](const tap::TapMessage& m) { m_outputs.captured(m); },
                       [this](const tap::Exchange& e, const std::string& client, bool) { m_shown(e, client); },
                       [this](const std::string& owner) { sayOwner(owner); },
                       [this](const std::string& reason) {
                           std::cerr << "vantrel-test: --tap: " << reason << "\n";
                           quit(1);
                       }});
    // A guest on the site's machine: the point of sale and the server come
    // first. The bus keeps what the tap has not read yet, so a tap that
    // falls behind under load loses nothing; it only shows it later. (Set
    // before the monitor's thread starts, which takes this thread's value.)
    ::setpriority(PRIO_PROCESS, 0, kTapNiceness);
    if (!m_tap.start()) {
        std::cerr << "vantrel-test: --tap: " << m_tap.error() << "\n";
        return 1;
    }
    std::cout << "tap: " << dbus::describe(m_endpoint) << std::endl;
    sayOwner(m_tap.initialOwner());

    // A long --duration is counted down in steps a timer can take.
    QTimer ending;
    const std::int64_t endUsec = nowUsec() + static_cast<std::int64_t>(m_options.durationSeconds * 1e6);
    QObject::connect(&ending, &QTimer::timeout, [&] {
        const std::int64_t left = (endUsec - nowUsec()) / 1000;
        if (left <= 0)
            quit(0);
        else
            ending.start(static_cast<int>(std::min<std::int64_t>(left, 3600000)));
    });
    if (m_options.durationSeconds > 0)
        ending.start(0);
    std::unique_ptr<QSocketNotifier> stop;
    if (g_signalPipe[0] >= 0) {
        stop = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(stop.get(), &QSocketNotifier::activated, [this] { quit(0); });
    }
    QCoreApplication::exec();

    m_tap.finish(nowUsec());
    m_shown.sayEnd();
    return m_outputs.close(m_status);
}

void TapRun::quit(int status)
{
    m_status = std::max(m_status, status);
    QCoreApplication::exit(m_status);
}

void TapRun::sayOwner(const std::string& owner)
{
    if (owner.empty())
        std::cout << "waiting for " << m_endpoint.busName << ": the name has no owner" << std::endl;
    else
        std::cout << m_endpoint.busName << " is served by " << owner << std::endl;
}

// --open-capture: a capture file's messages as a tap would have seen them.
int convertCapture(const CommandLine& options)
{
    const capture::CaptureRead read = capture::readCaptureFile(options.openCapture);
    if (!read.error.empty()) {
        std::cerr << "vantrel-test: --open-capture " << options.openCapture << ": " << read.error << "\n";
        return 2;
    }
    const std::int64_t start = read.messages.empty() ? nowUsec() : read.messages.front().usec;
    TapOutputs outputs(options, "the capture " + options.openCapture, start);
    if (!outputs.open())
        return 2;
    tap::SiteTap tap; // a capture tells no process: a client is its unique name
    Shown shown{options, outputs, tap};
    tap.setListener({{}, [&](const tap::Exchange& e, const std::string& client, bool) { shown(e, client); }, {}, {}});
    tap.feed(read.messages);
    tap.finish(read.messages.empty() ? start : read.messages.back().usec);
    shown.sayEnd();
    if (!read.skipped.empty()) {
        std::cerr << "vantrel-test: --open-capture " << options.openCapture << ": " << read.skipped.size()
                  << (read.skipped.size() == 1 ? " block" : " blocks") << " skipped\n";
        for (const auto& skipped : read.skipped)
            std::cerr << "  at byte " << skipped.offset << ": " << skipped.reason << "\n";
    }
    return outputs.close(0);
}

} // namespace

int runTap(const CommandLine& options, int& argc, char** argv)
{
    // What the run reads is none of what it writes, and the capture is a file it may write.
    const std::vector<std::string> inputs =
        options.openCapture.empty() ? std::vector<std::string>{} : std::vector<std::string>{options.openCapture};
    std::string why = clashingPaths(inputs, {{"--trace", options.trace},
                                             {"--save-session", options.saveSession},
                                             {"--capture", options.capture}});
    if (why.empty() && !options.capture.empty() && !(why = outputRefusal(options.capture)).empty())
        why = "--capture " + options.capture + ": " + why;
    if (!why.empty()) {
        std::cerr << "vantrel-test: " << why << "\n";
        return 2;
    }
    QCoreApplication app(argc, argv);
    if (!options.openCapture.empty())
        return convertCapture(options);
    const auto endpoint = dbus::parseServerSpec(options.tap);
    if (!endpoint)
        return 2; // the command line was checked: this does not happen
    const SignalPipe ending;
    TapRun run(options, *endpoint);
    return run.exec();
}

} // namespace vantrel
