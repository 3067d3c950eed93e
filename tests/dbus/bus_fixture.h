// Private buses and service processes for the D-Bus tests: every test
// starts its own dbus-daemon (never the machine's buses) and, where it
// needs one, its own vantrel-forecourt; both are killed when the test ends.
#pragma once

#include "dbus/endpoint.h"
#include "forecourt/site_state.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantrel::dbus::test {

class PrivateBus {
public:
    // Without a config file: a session-type bus. With one: that config.
    explicit PrivateBus(const QString& configFile = {});
    ~PrivateBus();
    const QString& address() const { return m_address; }
    void stop();
    // A connection of the test's own to this bus (one per name).
    QDBusConnection connect(const QString& name) const;
    Endpoint endpoint(const char* busName = "Vantrel.Application") const;
    bool hasOwner(const QString& name) const;

private:
    QProcess m_daemon;
    QString m_address;
};

class ServiceProcess {
public:
    ServiceProcess(const PrivateBus& bus, QStringList args = {"--virtual-clock"}, const QStringList& prefix = {});
    ~ServiceProcess();
    bool waitUntilServing();
    // Waits for the end; the exit status, or -1 when it did not end.
    int waitForExit(int ms = 10000);
    void kill();
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    qint64 pid() const { return m_process.processId(); }
    QString log() const; // what it wrote to standard error
    long residentKiB() const;

private:
    const PrivateBus& m_bus;
    QTemporaryDir m_dir;
    QProcess m_process;
};

// Authorises hose 1 at position 07, limit 15.00: the record the bus tests start a sale with.
inline const std::string kAuthorize7 = std::string("FuelingPosition=07\r\nHose=1\r\nMOP=1\r\nLimit=001500\r\n") + '\0';

// A bus configuration like the session bus, with the system bus's message
// limit (/usr/share/dbus-1/system.conf: 32 MiB), written into `dir`; its path.
QString writeSystemLimitsConfig(const QTemporaryDir& dir);

QString forecourtExe();
QDBusMessage methodCall(const char* interface, const char* member, const char* service = "Vantrel.Application");
// Runs the event loop until `done` holds or `ms` have passed; whether it holds.
bool waitFor(const std::function<bool()>& done, int ms = 10000);
// Vantrel.Simulator.ReadSite at `position`, decoded; nothing, with the reason, when it fails.
std::optional<forecourt::SiteState> readSite(const PrivateBus& bus, int position, std::string& error);

} // namespace vantrel::dbus::test
