// vantrel-forecourt at run time: connects to the chosen bus, exports the
// embedded forecourt at /Vantrel/Application, owns Vantrel.Application, and
// ends the event loop when the name is taken over (status 0) or the bus
// goes away or drops the service (status 3, told even with -q).
//
//   options -> bus connection -> ServiceObject (ForecourtServer [+ ManualClock])
//           -> watch NameLost -> RequestName -> GetNameOwner is this connection?
//
// A server that does not hold the name once it has started, or loses it
// later, ends: so of many servers started with --replace at once exactly
// one stays, the one the bus gave the name to last.
#pragma once

#include "service_options.h"

#include "dbus/service_object.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>
#include <string>

namespace vantrel::service {

class ForecourtService {
public:
    using LogSink = dbus::ServiceObject::LogSink;

    // `log` gets one line per call; `notify` the service's own notices;
    // `problem` why the service ends when it did not choose to (never quiet).
    ForecourtService(ServiceOptions options, LogSink log, LogSink notify, LogSink problem);
    ~ForecourtService();

    // Connects and takes the name; the reason it cannot, or "" once it serves.
    std::string start();
    // "the session bus", "the bus at unix:path=..."
    std::string busDescription() const;
    // Set once the service has to end (the name was taken over while it
    // started, or later; the bus went away): the exit status.
    std::optional<int> endStatus() const { return m_endStatus; }

private:
    bool connectToBus();
    std::string requestName();
    // The unique name that owns Vantrel.Application now, or "" (none, or the bus does not say).
    QString nameOwner();
    void watch();
    // Ends the event loop with `status` (once it runs, if it does not yet).
    void end(int status);

    ServiceOptions m_options;
    LogSink m_log;
    LogSink m_notify;
    LogSink m_problem;
    std::optional<int> m_endStatus;
    QDBusConnection m_connection;
    std::unique_ptr<dbus::ServiceObject> m_object;
    QObject m_context; // owns the watch connections
    QTimer m_busWatch;
};

} // namespace vantrel::service
