// The site tap wired once, for the headless run and the window alike: the
// monitor of a bus (or messages handed in, from a capture file), the
// decoder, and the names of the clients. Its listener hears
//
//   - every message as it came (for a capture of the run),
//   - every exchange once its client's name is known (or cannot be): first
//     when the tap first sees it, waiting for its reply or already ended,
//     and once more when a call first told waiting ends,
//   - the server's name changing hands, after what came before it,
//   - the end of the bus.
//
// An exchange waits for its client's name (asked of the bus without
// waiting, answered in a few milliseconds) so that it is told with the
// name it keeps; past kReadyLimit exchanges held so, they are told with
// what is known. A tap of a capture names each client by its unique name.
#pragma once

#include "bus_monitor.h"
#include "exchange.h"
#include "tap_decoder.h"
#include "tap_message.h"

#include "dbus/endpoint.h"

#include <QTimer>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantrel::tap {

class ClientNames;

struct SiteTapListener {
    std::function<void(const TapMessage&)> message;
    // `first`: the first the listener hears of this exchange.
    std::function<void(const Exchange&, const std::string& client, bool first)> exchange;
    std::function<void(const std::string& owner)> ownerChanged;
    std::function<void(const std::string& reason)> busEnded;
};

class SiteTap {
public:
    static constexpr std::size_t kReadyLimit = 10000;
    static constexpr int kExpireMs = 1000; // how often calls that will get no reply are looked for

    // A live tap of the server at `endpoint` (start()).
    explicit SiteTap(const dbus::Endpoint& endpoint);
    // A tap of messages handed to feed(): a capture of a server of `serverName`.
    explicit SiteTap(std::string serverName = "Vantrel.Application");
    ~SiteTap();
    SiteTap(const SiteTap&) = delete;
    SiteTap& operator=(const SiteTap&) = delete;

    void setListener(SiteTapListener listener) { m_listener = std::move(listener); }

    // Starts watching the bus. False, with failure() and error() (the
    // monitor's own words), when it cannot be reached or refuses.
    bool start();
    BusMonitor::Failure failure() const;
    std::string error() const;
    const std::string& initialOwner() const;
    bool live() const { return m_monitor != nullptr; }
    bool running() const { return m_running; }

    // Messages in the order they passed.
    void feed(const std::vector<TapMessage>& batch);
    // Ends the tap: the monitor stops (what it read still counts), every
    // call still waiting is given up at `nowUsec`, and everything is told.
    void finish(std::int64_t nowUsec);

    // The client's name as the tap tells it, and whether `filter` (a
    // unique name or a command name; a capture: the unique name) picks it.
    std::string label(const std::string& unique) const;
    bool matches(const std::string& unique, const std::string& filter) const;

    const TapDecoder& decoder() const { return m_decoder; }
    // Exchanges the tap saw (every call, waiting or ended).
    std::uint64_t exchangeCount() const { return m_decoder.callCount(); }

    // Microseconds since the epoch, by the wall clock.
    static std::int64_t nowUsec();

private:
    struct Told {
        Exchange exchange;
        bool first = false;
        bool placeholder = false; // a call seen waiting: its content comes from the decoder at the batch's end
    };
    void take(const std::vector<TapMessage>& batch);
    void collectFinished();
    void flush(bool all);

    std::unique_ptr<BusMonitor> m_monitor;
    TapDecoder m_decoder;
    std::unique_ptr<ClientNames> m_names;
    SiteTapListener m_listener;
    std::deque<Told> m_ready;
    std::size_t m_placeholders = 0; // not settled yet: only within a batch
    std::uint64_t m_seen = 0; // the highest exchange number told (or held) first
    QTimer m_expiry;
    bool m_running = false;
};

} // namespace vantrel::tap
