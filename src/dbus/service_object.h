// Serves any AutomationObject on D-Bus, late-bound: the object decides what
// each member name means, the member table only drives the introspection
// data. A Properties.Set becomes a put, a method call on Vantrel.Application
// a get (a call when the sender wants no reply), and an AutomationError
// travels back as "Vantrel.Error.E<number>" with its description. A
// simulated site also gets Vantrel.Simulator: Customer(action) acts as the
// customer, ReadSite(position) gives the whole site's state as JSON, and the
// Changed(version) signal says the state changed (at most one in 20 ms, the
// last change always told); Fault(fault) sets or clears a fault of the site
// and Faults() lists them. A member with a slow fault is answered that much
// later, without holding up anyone else's calls meanwhile. Traffic(rate)
// sends simulated customers to the site; on the real clock their steps run
// from a timer, each told with Changed. On a virtual clock,
// Advance(milliseconds) moves the clock (stopping at each customer's step)
// and Reset() builds a fresh server and clock, as at start.
// Bad messages get a D-Bus error and never end the service.
//
//   bus -> handleMessage -> dispatch by interface -> AutomationObject -> reply / error -> bus
//                                    \-> log line (sender, access, member, value, outcome)
//                                    \-> state changed -> Changed signal (coalesced)
#pragma once

#include "forecourt/clock.h"
#include "forecourt/forecourt_server.h"
#include "introspection.h"

#include "server/automation_object.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace vantrel::dbus {

struct ServedInstance {
    std::unique_ptr<AutomationObject> object;
    std::shared_ptr<forecourt::ManualClock> clock; // set when the server runs on a virtual clock
};
using InstanceFactory = std::function<ServedInstance()>;

class ServiceObject : public QDBusVirtualObject {
public:
    using LogSink = std::function<void(const std::string& line)>;

    // The factory runs now and again on every Reset.
    ServiceObject(InstanceFactory factory, std::span<const forecourt::MemberInfo> members, LogSink log = {});
    ~ServiceObject() override;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

    bool hasVirtualClock() const { return m_instance.clock != nullptr; }
    // The simulated site, when the served object is one.
    forecourt::ForecourtServer* site() const;
    long long callsServed() const { return m_callsServed; }
    // The connection the service serves on: Changed goes out on it for what
    // happens between calls (the traffic's steps on the real clock).
    void setConnection(const QDBusConnection& connection);

private:
    QDBusMessage dispatch(const QDBusMessage& message, std::string& line);
    QDBusMessage serveProperties(const QDBusMessage& message, std::string& line);
    QDBusMessage serveRead(const QDBusMessage& message, std::string& line);
    QDBusMessage serveSimulator(const QDBusMessage& message, std::string& line);
    const forecourt::MemberInfo* findMember(const QString& name) const;
    // Readies the instance just made: on the real clock a slow member's wait
    // is the reply's delay, so the site's own clock is not moved on for it.
    void prepareInstance();
    // How much later than at once the reply to `message` goes out (a slow member).
    forecourt::Millis answerDelay(const QDBusMessage& message) const;
    // What the introspection shows of Vantrel.Simulator.
    SimulatorParts simulatorParts() const;
    // Tells the bus of a change, once the coalescing interval has passed.
    void noteChange(const QDBusConnection& connection);
    void tellChange();
    // On the real clock, runs the traffic's due steps now and then while it is busy.
    void watchTraffic();
    void runTraffic();

    InstanceFactory m_factory;
    ServedInstance m_instance;
    std::span<const forecourt::MemberInfo> m_members;
    LogSink m_log;
    long long m_callsServed = 0;
    // The site's change count when last looked at, and whether the clock moved
    // or the site was replaced since: either is a change to tell.
    std::uint64_t m_seenChanges = 0;
    bool m_movedOrReplaced = false;
    QDBusConnection m_changeConnection;
    QTimer m_changeTimer;
    QTimer m_trafficTimer;
};

} // namespace vantrel::dbus
