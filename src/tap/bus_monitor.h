// The live side of the site tap: a connection of libdbus's own to the bus
// that becomes a monitor (org.freedesktop.DBus.Monitoring.BecomeMonitor) of
// every message to and from the server's name, and of NameOwnerChanged. The
// bus applies the rules to whoever owns the name at each message, so a
// server that restarts under the name is followed; the decoder learns of
// the change from NameOwnerChanged. A name with no owner yet is simply
// waited for.
//
// A monitor may send nothing (the bus drops one that does), so it is not a
// Qt D-Bus connection, which answers the calls it receives. Its blocking
// read runs on a thread of its own; the messages reach the Qt thread in
// batches, marshalled as on the wire. Should the Qt thread fall far behind,
// the reading waits for it rather than dropping anything, and the bus
// holds the rest.
//
//   bus --> [monitor thread: read, filter, marshal] --> queue --> Qt thread: onMessages(batch)
#pragma once

#include "tap_message.h"

#include "dbus/endpoint.h"

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct DBusConnection;

namespace vantrel::tap {

class BusMonitor : public QObject {
public:
    enum class Failure { None, Unreachable, Refused };

    explicit BusMonitor(dbus::Endpoint endpoint);
    ~BusMonitor() override; // stops the reading

    BusMonitor(const BusMonitor&) = delete;
    BusMonitor& operator=(const BusMonitor&) = delete;

    // Connects, asks who owns the name, becomes the monitor and starts the
    // reading thread. False, with failure() and error(), when the bus
    // cannot be reached or refuses to let it monitor.
    bool start();
    void stop();

    Failure failure() const { return m_failure; }
    const std::string& error() const { return m_error; }
    // The name's owner when the monitoring began ("" when it has none).
    const std::string& initialOwner() const { return m_initialOwner; }
    const dbus::Endpoint& endpoint() const { return m_endpoint; }

    // Called on the Qt thread with each batch, in the order the messages came.
    void onMessages(std::function<void(std::vector<TapMessage>&&)> messages) { m_messages = std::move(messages); }
    // Called on the Qt thread once the bus ended the connection (after the last batch).
    void onEnded(std::function<void(const std::string& reason)> ended) { m_ended = std::move(ended); }
    std::uint64_t received() const { return m_received.load(); }

    // The match rules for the server's well-known name.
    static std::vector<std::string> matchRules(const std::string& busName);

private:
    friend struct MonitorFilter; // libdbus's filter, which hands each message to push()
    void run();
    void halt();
    void push(TapMessage&& message);
    void deliver();
    bool fail(Failure failure, std::string why);

    dbus::Endpoint m_endpoint;
    DBusConnection* m_connection = nullptr;
    std::string m_ownName;
    std::string m_initialOwner;
    Failure m_failure = Failure::None;
    std::string m_error;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_disconnected{false};
    std::atomic<std::uint64_t> m_received{0};

    std::mutex m_lock;
    std::condition_variable m_drained;
    std::vector<TapMessage> m_queue;
    std::size_t m_queuedBytes = 0;
    bool m_posted = false;

    std::function<void(std::vector<TapMessage>&&)> m_messages;
    std::function<void(const std::string&)> m_ended;
};

} // namespace vantrel::tap
