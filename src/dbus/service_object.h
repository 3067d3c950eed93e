// Serves any AutomationObject on D-Bus, late-bound: the object decides what
// each member name means, the member table only drives the introspection
// data. A Properties.Set becomes a put, a method call on Vantrel.Application
// a get (a call when the sender wants no reply), and an AutomationError
// travels back as "Vantrel.Error.E<number>" with its description. A server
// on a virtual clock also gets Vantrel.Simulator: Advance(milliseconds)
// moves the clock, Reset() builds a fresh server and clock, as at start.
// Bad messages get a D-Bus error and never end the service.
//
//   bus -> handleMessage -> dispatch by interface -> AutomationObject -> reply / error -> bus
//                                    \-> log line (sender, access, member, value, outcome)
#pragma once

#include "forecourt/clock.h"
#include "forecourt/forecourt_server.h"

#include "server/automation_object.h"

#include <QDBusMessage>
#include <QDBusVirtualObject>

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

    bool hasSimulator() const { return m_instance.clock != nullptr; }
    long long callsServed() const { return m_callsServed; }

private:
    QDBusMessage dispatch(const QDBusMessage& message, std::string& line);
    QDBusMessage serveProperties(const QDBusMessage& message, std::string& line);
    QDBusMessage serveRead(const QDBusMessage& message, std::string& line);
    QDBusMessage serveSimulator(const QDBusMessage& message, std::string& line);
    const forecourt::MemberInfo* findMember(const QString& name) const;

    InstanceFactory m_factory;
    ServedInstance m_instance;
    std::span<const forecourt::MemberInfo> m_members;
    LogSink m_log;
    long long m_callsServed = 0;
};

} // namespace vantrel::dbus
