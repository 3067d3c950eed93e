// The one way this program sends a call to a server on D-Bus: a channel owns
// the connection to the endpoint's bus (named apart from every other, and
// made again once when the bus went away), sends a message with a callback
// and a timeout, and tells when the server's name gets or loses its owner.
// Every call ends in exactly one callback: the server's reply, or an error
// reply made here when the bus cannot be reached ("...Disconnected") or no
// answer came in time ("...NoReply"), so that toAutomationError numbers it
// as it numbers the bus's own. The synchronous client waits on it; the
// board's source does not.
//
//   send(message, done) -> connected? (reconnect once) -> asyncCall(timeout) -> done(reply)
//                                                        \-> guard: no reply at all -> done(NoReply)
#pragma once

#include "endpoint.h"
#include "wire_contract.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace vantrel::dbus {

class BusChannel : public QObject {
public:
    using Done = std::function<void(const QDBusMessage& reply)>;

    // Connects at once: check isConnected(), and why not in connectError().
    // `kind` names the connection ("vantrel-client-3").
    BusChannel(Endpoint endpoint, std::chrono::milliseconds timeout, const char* kind);
    ~BusChannel() override;

    BusChannel(const BusChannel&) = delete;
    BusChannel& operator=(const BusChannel&) = delete;

    const Endpoint& endpoint() const { return m_endpoint; }
    std::chrono::milliseconds timeout() const { return m_timeout; }
    bool isConnected() const { return m_connection.isConnected(); }
    // "cannot reach the session bus: <the bus's reason>".
    std::string connectError() const;
    QDBusConnection& connection() { return m_connection; }

    // A method call to the server's object (kObjectPath) under the endpoint's name.
    QDBusMessage methodCall(const char* interface, const QString& member) const;
    // Sends `message`; `done` gets the reply, later, from the event loop, or
    // at once when the bus cannot be reached. It is never called after the
    // channel is gone.
    void send(const QDBusMessage& message, Done done);

    // Called with true when the name gets an owner (a server came back
    // under it), false when it loses it.
    void watchOwner(std::function<void(bool owned)> changed);
    // Called after the connection was made again, so listeners connect their signals anew.
    void onReconnect(std::function<void()> reconnected) { m_reconnected = std::move(reconnected); }

private:
    bool reconnect();

    Endpoint m_endpoint;
    std::chrono::milliseconds m_timeout;
    QString m_connectionName;
    QDBusConnection m_connection;
    QDBusServiceWatcher m_owner;
    std::function<void(bool)> m_ownerChanged;
    std::function<void()> m_reconnected;
};

// A connection named `connectionName` to the endpoint's bus (check isConnected()).
QDBusConnection connectToBus(const Endpoint& endpoint, const QString& connectionName);
// "the session bus", "the system bus", "the bus at unix:path=/tmp/x".
std::string busDescription(const Endpoint& endpoint);

} // namespace vantrel::dbus
