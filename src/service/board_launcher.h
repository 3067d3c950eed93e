// vantrel-forecourt --board: starts vantrel-board beside the service,
// pointed at the bus and name the service serves on, and ends it when the
// service ends. The board is a program of its own, so the service links no
// widgets and runs on a headless site controller without it.
#pragma once

#include "service_options.h"

#include <QObject>
#include <QProcess>

#include <functional>
#include <string>

namespace vantrel::service {

// The --server spec that reaches this service: "dbus:Vantrel.Application@session", "...@unix:path=/x".
std::string boardServerSpec(const ServiceOptions& options);

class BoardLauncher {
public:
    using Notify = std::function<void(const std::string& line)>;
    explicit BoardLauncher(Notify notify) : m_notify(std::move(notify)) {}
    ~BoardLauncher();

    // Finds the board and a display for it before the service starts; the reason there is none, or "".
    std::string prepare();
    // Starts the board once the service serves; the reason it cannot, or "".
    std::string start(const ServiceOptions& options);
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }

private:
    Notify m_notify;
    QString m_program;
    QProcess m_process;
    QObject m_context; // owns the process connections
};

} // namespace vantrel::service
