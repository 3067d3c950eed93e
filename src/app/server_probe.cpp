#include "server_probe.h"

#include "server_sites.h"

#include "dbus/bus_channel.h"
#include "dbus/wire_contract.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include "dbus/introspection_reader.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <optional>
#include <mutex>
#include <thread>

namespace vantrel {

namespace {

QDBusMessage busCall(const char* member, const QString& name)
{
    QDBusMessage m = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                    "org.freedesktop.DBus", member);
    if (!name.isEmpty())
        m << name;
    return m;
}

QString errorOf(const QDBusMessage& reply)
{
    return reply.errorMessage().isEmpty() ? reply.errorName()
                                          : reply.errorMessage() + " (" + reply.errorName() + ")";
}

// The interfaces of the introspected object, and how many members Vantrel.Application has.
void readIntrospection(const QString& xml, ProbeFacts& facts)
{
    const dbus::IntrospectionReading reading = dbus::readIntrospection(xml);
    facts.interfaces << reading.interfaces;
    facts.applicationMembers += static_cast<int>(reading.application.size());
    if (!reading.error.isEmpty()) {
        facts.introspected = false;
        facts.introspectError = reading.error;
    }
}

QString busWords(const dbus::Endpoint& endpoint)
{
    switch (endpoint.bus) {
    case dbus::Endpoint::Bus::Session: return QStringLiteral("The session bus");
    case dbus::Endpoint::Bus::System: return QStringLiteral("The system bus");
    case dbus::Endpoint::Bus::Address: break;
    }
    return "The bus at " + QString::fromStdString(endpoint.address);
}

} // namespace

ProbeFacts probeServer(const dbus::Endpoint& endpoint, std::chrono::milliseconds timeout)
{
    ProbeFacts facts;
    // A connection of its own, gone when the probe ends: nothing is left open on the bus.
    static std::atomic<unsigned> serial{0};
    const QString connectionName = QStringLiteral("vantrel-probe-%1").arg(++serial);
    {
        QDBusConnection bus = dbus::connectToBus(endpoint, connectionName);
        if (!bus.isConnected()) {
            const auto error = bus.lastError();
            facts.busError = error.message().isEmpty() ? QStringLiteral("no connection") : error.message();
        } else {
            facts.connected = true;
            const QString name = QString::fromStdString(endpoint.busName);
            const int ms = static_cast<int>(timeout.count());
            const QDBusMessage owner = bus.call(busCall("NameHasOwner", name), QDBus::Block, ms);
            if (owner.type() != QDBusMessage::ReplyMessage) {
                facts.busError = errorOf(owner);
            } else {
                // A unique name (":1.42") is its own owner or none; only well-known names are activated.
                facts.hasOwner = owner.arguments().value(0).toBool();
                if (!facts.hasOwner) {
                    const QDBusMessage names = bus.call(busCall("ListActivatableNames", {}), QDBus::Block, ms);
                    if (names.type() == QDBusMessage::ReplyMessage)
                        facts.activatable = names.arguments().value(0).toStringList().contains(name);
                } else {
                    QDBusMessage introspect = QDBusMessage::createMethodCall(
                        name, dbus::kObjectPath, "org.freedesktop.DBus.Introspectable", "Introspect");
                    introspect.setAutoStartService(false);
                    const QDBusMessage xml = bus.call(introspect, QDBus::Block, ms);
                    if (xml.type() == QDBusMessage::ReplyMessage) {
                        facts.introspected = true;
                        readIntrospection(xml.arguments().value(0).toString(), facts);
                    } else {
                        facts.introspectError = errorOf(xml);
                    }
                }
            }
        }
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return facts;
}

ProbeVerdict judgeProbe(const dbus::Endpoint& endpoint, const ProbeFacts& facts)
{
    const QString where = QString::fromStdString(dbus::describe(endpoint));
    if (!facts.connected)
        return {ProbeVerdict::Kind::Unreachable, busWords(endpoint) + " cannot be reached: " + facts.busError + "."};
    if (!facts.busError.isEmpty())
        return {ProbeVerdict::Kind::Unreachable,
                busWords(endpoint) + " answered no question about " + QString::fromStdString(endpoint.busName) + ": " +
                    facts.busError + "."};
    if (!facts.hasOwner && facts.activatable)
        return {ProbeVerdict::Kind::Activatable, where + " is not running; the bus starts it on the first call."};
    if (!facts.hasOwner)
        return {ProbeVerdict::Kind::Absent, "Nothing serves " + where + ": the name has no owner and cannot be activated."};
    if (!facts.introspected)
        return {ProbeVerdict::Kind::There, where + " is there; what it serves is not known (" + facts.introspectError + ")."};
    if (!facts.interfaces.contains(QLatin1String(dbus::kInterface)))
        return {ProbeVerdict::Kind::NoForecourtServer,
                where + " is there, but its object " + dbus::kObjectPath + " has no " + dbus::kInterface +
                    " interface: it is no forecourt server."};
    QString text = where + QStringLiteral(" is there: it serves %1 with %2 members")
                               .arg(QLatin1String(dbus::kInterface))
                               .arg(facts.applicationMembers);
    if (facts.interfaces.contains(QLatin1String(dbus::kSimulatorInterface)))
        text += QStringLiteral(", and a simulated site (%1)").arg(QLatin1String(dbus::kSimulatorInterface));
    return {ProbeVerdict::Kind::There, text + "."};
}

ProbeVerdict embeddedVerdict()
{
    return {ProbeVerdict::Kind::There, QStringLiteral("The embedded simulator is part of the utility: it is always there.")};
}

ProbeVerdict probeAtStartup(const QString& spec, std::chrono::milliseconds timeout)
{
    const auto limit = std::min(timeout, std::chrono::milliseconds(3000));
    ServerProber prober;
    std::optional<ProbeVerdict> verdict;
    QEventLoop loop;
    QObject::connect(&prober, &ServerProber::judged, &loop, [&](const QString&, const ProbeVerdict& v) {
        verdict = v;
        loop.quit();
    });
    QTimer::singleShot(limit + std::chrono::milliseconds(500), &loop, &QEventLoop::quit);
    prober.probe(spec, limit);
    if (!verdict)
        loop.exec();
    if (verdict)
        return *verdict;
    return {ProbeVerdict::Kind::Unreachable,
            QStringLiteral("%1 did not answer within %2 ms.").arg(describeServer(spec)).arg(limit.count())};
}

namespace {
// The probing threads still running, for probesEnded.
std::mutex g_probesLock;
std::condition_variable g_probesEnded;
int g_probesOut = 0;

struct ProbeOut {
    ProbeOut()
    {
        const std::lock_guard guard(g_probesLock);
        ++g_probesOut;
    }
    ProbeOut(const ProbeOut&) = delete;
    ProbeOut& operator=(const ProbeOut&) = delete;
    ~ProbeOut()
    {
        {
            const std::lock_guard guard(g_probesLock);
            --g_probesOut;
        }
        g_probesEnded.notify_all();
    }
};
} // namespace

bool probesEnded(std::chrono::milliseconds limit)
{
    std::unique_lock guard(g_probesLock);
    return g_probesEnded.wait_for(guard, limit, [] { return g_probesOut == 0; });
}

// Shared with the probing threads: whether the prober still wants answers, and which.
struct ServerProber::Alive {
    std::mutex lock;
    ServerProber* prober = nullptr; // cleared under the lock as the prober goes
    unsigned generation = 0;
};

ServerProber::ServerProber(QObject* parent) : QObject(parent), m_alive(std::make_shared<Alive>())
{
    m_alive->prober = this;
}

ServerProber::~ServerProber()
{
    const std::lock_guard guard(m_alive->lock);
    m_alive->prober = nullptr;
}

void ServerProber::probe(const QString& spec, std::chrono::milliseconds timeout)
{
    unsigned generation = 0;
    {
        const std::lock_guard guard(m_alive->lock);
        generation = ++m_alive->generation;
    }
    const auto form = serverForm(spec);
    if (!form || form->kind == ServerKind::Embedded) {
        m_busy = false;
        emit judged(spec, form ? embeddedVerdict()
                               : ProbeVerdict{ProbeVerdict::Kind::Absent, spec + " is no server the utility can reach."});
        return;
    }
    const auto endpoint = dbus::parseServerSpec(spec.toStdString());
    m_busy = true;
    // Detached: a bus that never answers keeps only this thread, never the window.
    // The application's end waits for the probes still out: Qt D-Bus must
    // not be torn down under a thread inside it.
    static std::once_flag waitAtTheEnd;
    std::call_once(waitAtTheEnd, [] { qAddPostRoutine([] { probesEnded(std::chrono::seconds(10)); }); });
    auto out = std::make_shared<ProbeOut>(); // counted from before the thread starts
    std::thread([out, alive = m_alive, generation, spec, endpoint = *endpoint, timeout] {
        const ProbeVerdict verdict = judgeProbe(endpoint, probeServer(endpoint, timeout));
        const std::lock_guard guard(alive->lock);
        if (!alive->prober || alive->generation != generation)
            return;
        // Queued to the prober's thread; dropped by Qt if the prober is gone by then.
        QMetaObject::invokeMethod(
            alive->prober,
            [alive, generation, spec, verdict] {
                if (alive->generation != generation) // a newer probe was asked for
                    return;
                alive->prober->m_busy = false;
                emit alive->prober->judged(spec, verdict);
            },
            Qt::QueuedConnection);
    }).detach();
}

} // namespace vantrel
