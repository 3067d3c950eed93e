// vantrel-forecourt at run time: connects to the chosen bus, exports the
// embedded forecourt at /Vantrel/Application, owns Vantrel.Application, and
// ends the event loop when the name is taken over or the bus goes away.
//
//   options -> bus connection -> ServiceObject (ForecourtServer [+ ManualClock]) -> RequestName
#pragma once

#include "service_options.h"

#include "dbus/service_object.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

namespace vantrel::service {

class ForecourtService {
public:
    using LogSink = dbus::ServiceObject::LogSink;

    // `log` gets one line per call; `notify` the service's own notices.
    ForecourtService(ServiceOptions options, LogSink log, LogSink notify);
    ~ForecourtService();

    // Connects and takes the name; the reason it cannot, or "" once it serves.
    std::string start();
    // "the session bus", "the bus at unix:path=..."
    std::string busDescription() const;

private:
    bool connectToBus();
    std::string requestName();
    void watch();

    ServiceOptions m_options;
    LogSink m_log;
    LogSink m_notify;
    QDBusConnection m_connection;
    std::unique_ptr<dbus::ServiceObject> m_object;
    QObject m_context; // owns the watch connections
    QTimer m_busWatch;
};

} // namespace vantrel::service
