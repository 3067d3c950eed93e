// An automation server reached over D-Bus, behind the same AutomationObject
// interface as the embedded one. Each put, get and call is one message to
// the server's well-known name (so a server that restarted under the same
// name is reached by the next call), sent through a BusChannel; while it is
// out a local event loop runs, so the window keeps repainting, user input waits,
// and the wait hook tells the window that the call is taking a while. Every
// call has a timeout; a timeout or a vanished server raises
// ServerUnavailable (462), and an answer larger than kReplyLimit (64 MiB,
// wire_contract.h) ReplyTooLarge (463); the client stays usable for the
// next call.
//
//   handler -> put/get/call -> message -> bus -> vantrel-forecourt (or any server)
//                              <- reply variant / D-Bus error -> Value / AutomationError
#pragma once

#include "bus_channel.h"
#include "endpoint.h"
#include "wire_contract.h"

#include "server/automation_object.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantrel {
class AutomationRegistry;
}

namespace vantrel::dbus {

inline constexpr std::chrono::milliseconds kDefaultTimeout{5000};

class DBusClient : public AutomationObject {
public:
    // Connects to the bus and checks that the name has an owner or can be
    // activated; raises CannotCreateObject (429) when not. An answer larger
    // than `replyLimit` is refused (kReplyLimit; tests set less).
    explicit DBusClient(Endpoint endpoint, std::chrono::milliseconds timeout = kDefaultTimeout,
                        std::size_t replyLimit = kReplyLimit);
    ~DBusClient() override;

    DBusClient(const DBusClient&) = delete;
    DBusClient& operator=(const DBusClient&) = delete;

    void put(std::string_view member, const Value& value) override;
    Value get(std::string_view member, const std::optional<Value>& argument) override;
    Value call(std::string_view member, const std::optional<Value>& argument) override;

    // Told (true, member) when a call has been out for a while, and
    // (false, member) when that call ends.
    using WaitHook = std::function<void(bool waiting, std::string_view member)>;
    void setWaitHook(WaitHook hook) { m_waitHook = std::move(hook); }
    // True while a call is out: nothing else may start one then.
    bool isWaiting() const { return m_waiting; }

    // What the server offers of Vantrel.Simulator, from its introspection,
    // asked once when the client is created: these never call the server.
    // The virtual clock (Advance and Reset):
    bool hasVirtualClock() const { return offers(kAdvance); }
    void advance(std::chrono::milliseconds by);
    void reset();
    // A simulated site to act on as the customer (Customer), and to read
    // whole for a board (ReadSite).
    bool hasCustomer() const { return offers(kCustomer); }
    bool hasSiteReading() const { return offers(kReadSite); }
    bool offers(const SimulatorMember& member) const;
    // Acts as the customer at the simulated site ("card 7"); what was done comes back.
    std::string customer(const std::string& action);
    // Faults of the simulated site (Fault, Faults): sets or clears one
    // ("position 3 offline", "clear"), and lists those set, one a line. A
    // fault the site refuses raises error 450 with its reason.
    bool hasFaults() const { return offers(kFault); }
    std::string fault(const std::string& fault);
    std::string faults();

    const Endpoint& endpoint() const { return m_channel.endpoint(); }
    std::chrono::milliseconds timeout() const { return m_channel.timeout(); }
    // The introspection document read when the client was created (empty
    // when the server could not be introspected): what it lists of its
    // members, read without another call.
    const QString& introspection() const { return m_introspection; }
    // Why the server could not be introspected ("" when it was): the
    // server's error, in its own words.
    const std::string& introspectionProblem() const { return m_introspectionProblem; }

private:
    // Reads the server's introspection and keeps it: which methods of
    // Vantrel.Simulator it has, read by introspection_reader.h.
    void probeSimulator();
    void checkServerPresent();
    QDBusMessage methodCall(const char* interface, std::string_view member) const;
    Value invoke(std::string_view member, const std::optional<Value>& argument, bool needResult);
    // Sends and waits; raises the mapped AutomationError for an error reply.
    QDBusMessage send(const QDBusMessage& message, std::string_view member, Phase phase);
    // Calls a method of Vantrel.Simulator with a text, or none, that answers a text.
    std::string simulatorText(const SimulatorMember& member, const std::optional<std::string>& argument);

    BusChannel m_channel;
    std::size_t m_replyLimit;
    WaitHook m_waitHook;
    bool m_waiting = false;
    std::vector<const SimulatorMember*> m_offered; // methods of Vantrel.Simulator the server has
    QString m_introspection;
    std::string m_introspectionProblem;
};

// Registers the server at `spec` ("dbus", "dbus:NAME@ADDRESS"...) under that
// spec as its identifier. Returns false, registering nothing, when the spec
// is not a D-Bus server.
bool registerDBusServer(AutomationRegistry& registry, const std::string& spec,
                        std::chrono::milliseconds timeout = kDefaultTimeout);

} // namespace vantrel::dbus
