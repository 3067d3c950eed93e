#include "tap_run.h"

#include "command_line.h"
#include "output_file.h"
#include "tap_run_outputs.h"

#include "capture/capture.h"
#include "dbus/endpoint.h"
#include "tap/bus_monitor.h"
#include "tap/client_names.h"
#include "tap/tap_decoder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <deque>
#include <iostream>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace vantrel {

namespace {

// Exchanges waiting for their client's name before they are shown; past
// this many they are shown with what is known.
constexpr std::size_t kReadyLimit = 10000;
// How often calls that will get no reply are looked for.
constexpr int kExpireMs = 1000;

std::int64_t nowUsec() { return QDateTime::currentMSecsSinceEpoch() * 1000; }

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

// "tap ended: 5 exchanges (2 of other clients left out), 9 other messages not shown".
void sayEnd(std::uint64_t shown, std::uint64_t leftOut, std::uint64_t others)
{
    std::cout << "tap ended: " << shown << (shown == 1 ? " exchange" : " exchanges");
    if (leftOut > 0)
        std::cout << " (" << leftOut << " of other clients left out)";
    std::cout << ", " << others << " other messages not shown" << std::endl;
}

class TapRun {
public:
    TapRun(const CommandLine& options, const dbus::Endpoint& endpoint)
        : m_options(options), m_endpoint(endpoint), m_monitor(endpoint), m_decoder(endpoint.busName),
          m_outputs(options, dbus::describe(endpoint), nowUsec())
    {
    }
    int exec();

private:
    void take(std::vector<tap::TapMessage>&& batch);
    void sayOwner(const std::string& owner);
    void flush(bool all);
    void quit(int status);

    const CommandLine& m_options;
    dbus::Endpoint m_endpoint;
    tap::BusMonitor m_monitor;
    tap::TapDecoder m_decoder;
    std::unique_ptr<tap::ClientNames> m_names; // once the bus is there: a connection of its own
    TapOutputs m_outputs;
    std::deque<tap::Exchange> m_ready;
    std::uint64_t m_shown = 0, m_leftOut = 0;
    int m_status = 0;
};

int TapRun::exec()
{
    if (!m_outputs.open())
        return 2; // as for any output that cannot be made before the run
    if (!m_monitor.start()) {
        std::cerr << "vantrel-test: --tap: " << m_monitor.error() << "\n";
        return 1;
    }
    m_names = std::make_unique<tap::ClientNames>(m_endpoint);
    std::cout << "tap: " << dbus::describe(m_endpoint) << std::endl;
    m_decoder.setServerOwner(m_monitor.initialOwner());
    sayOwner(m_monitor.initialOwner());
    m_names->onKnown([this](const std::string&) { flush(false); });
    m_monitor.onMessages([this](std::vector<tap::TapMessage>&& batch) { take(std::move(batch)); });
    m_monitor.onEnded([this](const std::string& reason) {
        std::cerr << "vantrel-test: --tap: " << reason << "\n";
        quit(1);
    });

    QTimer expiry;
    QObject::connect(&expiry, &QTimer::timeout, [this] {
        m_decoder.expire(nowUsec());
        take({});
    });
    expiry.start(kExpireMs);
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

    m_monitor.stop(); // what was read before the end still counts
    m_decoder.finish(nowUsec());
    take({});
    flush(true);
    sayEnd(m_shown, m_leftOut, m_decoder.otherCount());
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

void TapRun::take(std::vector<tap::TapMessage>&& batch)
{
    for (const auto& message : batch) {
        m_outputs.captured(message);
        m_decoder.feed(message);
    }
    for (const auto& change : m_decoder.takeOwnerChanges()) {
        flush(true); // what came before the change is shown before it
        sayOwner(change.owner);
    }
    for (const auto& client : m_decoder.takeNewClients())
        m_names->lookUp(client);
    for (auto& e : m_decoder.takeFinished())
        m_ready.push_back(std::move(e));
    flush(m_ready.size() > kReadyLimit);
}

// Exchanges are shown in the order they ended, each once the bus has told
// who its client is (or cannot), so that --client can pick it.
void TapRun::flush(bool all)
{
    while (!m_ready.empty() && (all || m_names->known(m_ready.front().client))) {
        const tap::Exchange e = std::move(m_ready.front());
        m_ready.pop_front();
        if (m_options.client.empty() || m_names->matches(e.client, m_options.client)) {
            m_outputs.show(e, m_names->label(e.client));
            ++m_shown;
        } else {
            m_outputs.leftOut(e);
            ++m_leftOut;
        }
    }
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
    tap::TapDecoder decoder;
    std::uint64_t shown = 0, leftOut = 0;
    const auto show = [&] {
        for (const auto& e : decoder.takeFinished()) {
            // A capture tells no process: a client is its unique name.
            if (options.client.empty() || options.client == e.client) {
                outputs.show(e, e.client);
                ++shown;
            } else {
                outputs.leftOut(e);
                ++leftOut;
            }
        }
    };
    for (const auto& message : read.messages) {
        decoder.feed(message);
        show();
    }
    decoder.finish(read.messages.empty() ? start : read.messages.back().usec);
    show();
    sayEnd(shown, leftOut, decoder.otherCount());
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
