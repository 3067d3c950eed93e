#include "bus_fixture.h"

#include "dbus/site_state_codec.h"
#include "dbus/wire_contract.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <stdexcept>

#include <sys/prctl.h>
#include <csignal>

namespace vantrel::dbus::test {

namespace {
// A child dies with the test process, even when the test crashes.
void dieWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}
} // namespace

PrivateBus::PrivateBus(const QString& configFile)
{
    QStringList args{"--nofork", "--print-address=1"};
    args << (configFile.isEmpty() ? QStringLiteral("--session") : QStringLiteral("--config-file=") + configFile);
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon.setStandardErrorFile(QProcess::nullDevice());
    dieWithParent(m_daemon);
    m_daemon.start("dbus-daemon", args);
    if (!m_daemon.waitForStarted(10000))
        throw std::runtime_error("dbus-daemon did not start");
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
    }
    m_address = QString::fromLatin1(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        throw std::runtime_error("dbus-daemon printed no address");
}

PrivateBus::~PrivateBus() { stop(); }

void PrivateBus::stop()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect(const QString& name) const
{
    return QDBusConnection::connectToBus(m_address, name + "@" + m_address);
}

Endpoint PrivateBus::endpoint(const char* busName) const
{
    return Endpoint{busName, Endpoint::Bus::Address, m_address.toStdString()};
}

bool PrivateBus::hasOwner(const QString& name) const
{
    QDBusMessage m = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                    "org.freedesktop.DBus", "NameHasOwner");
    m << name;
    return connect("fixture").call(m).arguments().value(0).toBool();
}

QString writeSystemLimitsConfig(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("system-limits.conf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error("cannot write " + path.toStdString());
    file.write(R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
  <limit name="max_message_size">33554432</limit>
</busconfig>
)");
    return path;
}

QString forecourtExe() { return QStringLiteral(VANTREL_FORECOURT_EXE); }

QDBusMessage methodCall(const char* interface, const char* member, const char* service)
{
    return QDBusMessage::createMethodCall(service, kObjectPath, interface, member);
}

bool waitFor(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return done();
}

std::optional<forecourt::SiteState> readSite(const PrivateBus& bus, int position, std::string& error)
{
    QDBusMessage call = methodCall(kSimulatorInterface, "ReadSite");
    call << QVariant::fromValue(static_cast<short>(position));
    const QDBusMessage reply = bus.connect("fixture").call(call, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        error = reply.errorName().toStdString() + ": " + reply.errorMessage().toStdString();
        return std::nullopt;
    }
    return decodeSiteState(reply.arguments().value(0).toString().toUtf8(), error);
}

ServiceProcess::ServiceProcess(const PrivateBus& bus, QStringList args, const QStringList& prefix) : m_bus(bus)
{
    args << "--address" << bus.address();
    m_process.setStandardErrorFile(m_dir.filePath("stderr"));
    m_process.setStandardOutputFile(QProcess::nullDevice());
    dieWithParent(m_process);
    if (prefix.isEmpty()) {
        m_process.start(forecourtExe(), args);
    } else {
        m_process.start(prefix.front(), prefix.mid(1) + QStringList{forecourtExe()} + args);
    }
    m_process.waitForStarted(10000);
}

ServiceProcess::~ServiceProcess() { kill(); }

bool ServiceProcess::waitUntilServing()
{
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && isRunning()) {
        if (m_bus.hasOwner("Vantrel.Application"))
            return true;
        QThread::msleep(20);
    }
    return false;
}

int ServiceProcess::waitForExit(int ms)
{
    if (isRunning() && !m_process.waitForFinished(ms))
        return -1;
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

void ServiceProcess::kill()
{
    if (isRunning()) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString ServiceProcess::log() const
{
    QFile file(m_dir.filePath("stderr"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

long ServiceProcess::residentKiB() const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').front().toLong();
    return -1;
}

} // namespace vantrel::dbus::test
