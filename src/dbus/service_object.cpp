#include "service_object.h"
#include "service_calls.h"

#include "forecourt/forecourt_server.h"
#include "forecourt/site_bounds.h"
#include "forecourt/traffic.h"

#include "introspection.h"
#include "wire_contract.h"

#include "server/automation_error.h"

#include <QDBusConnection>
#include <QDBusError>

#include <new>
#include <optional>
#include <utility>

// The served object: dispatching by interface, Vantrel.Application's
// members (properties put, methods read or called), the log line of each
// call, and the coalesced Changed signal. Vantrel.Simulator's members are in
// service_simulator.cpp.

namespace vantrel::dbus {

using namespace served;

namespace {
// Changes closer together than this are told as one Changed signal.
constexpr int kChangeCoalesceMs = 20;
// How often the traffic's due steps run on the real clock.
constexpr int kTrafficTickMs = 200;
} // namespace

ServiceObject::ServiceObject(InstanceFactory factory, std::span<const forecourt::MemberInfo> members, LogSink log)
    : m_factory(std::move(factory)),
      m_instance(m_factory()),
      m_members(members),
      m_log(std::move(log)),
      m_changeConnection(QString()) // the one a call came on, once one has
{
    m_trafficTimer.setInterval(kTrafficTickMs);
    QObject::connect(&m_trafficTimer, &QTimer::timeout, this, [this] { runTraffic(); });
    prepareInstance();
    if (const auto* served = site())
        m_seenChanges = served->changeCount();
    m_changeTimer.setSingleShot(true);
    m_changeTimer.setInterval(kChangeCoalesceMs);
    QObject::connect(&m_changeTimer, &QTimer::timeout, this, [this] { tellChange(); });
}

ServiceObject::~ServiceObject() = default;

forecourt::ForecourtServer* ServiceObject::site() const
{
    return dynamic_cast<forecourt::ForecourtServer*>(m_instance.object.get());
}

void ServiceObject::prepareInstance()
{
    if (auto* served = site(); served && !hasVirtualClock())
        served->setSlowAnswersMoveClock(false);
    watchTraffic();
}

void ServiceObject::setConnection(const QDBusConnection& connection) { m_changeConnection = connection; }

void ServiceObject::watchTraffic()
{
    const auto* served = site();
    if (served && !hasVirtualClock() && served->traffic().busy() && !m_trafficTimer.isActive())
        m_trafficTimer.start();
}

void ServiceObject::runTraffic()
{
    auto* served = site();
    if (!served || !served->traffic().busy()) {
        m_trafficTimer.stop();
        return;
    }
    if (served->traffic().catchUp() > 0 && m_changeConnection.isConnected())
        noteChange(m_changeConnection);
}

forecourt::Millis ServiceObject::answerDelay(const QDBusMessage& message) const
{
    const auto* served = site();
    if (!served || served->faults().empty() || !message.isReplyRequired())
        return forecourt::Millis(0);
    const QString interface = message.interface();
    if (interface.isEmpty() || interface == QLatin1String(kInterface))
        return served->answerDelay(message.member().toStdString());
    const QVariantList args = message.arguments();
    const QString of = args.value(0).toString();
    if (interface == QLatin1String(kPropertiesInterface) && message.member() == QLatin1String("Set") &&
        (of.isEmpty() || of == QLatin1String(kInterface)))
        return served->answerDelay(args.value(1).toString().toStdString());
    return forecourt::Millis(0);
}

SimulatorParts ServiceObject::simulatorParts() const { return {site() != nullptr, hasVirtualClock()}; }

QString ServiceObject::introspect(const QString&) const { return introspectInterfaces(m_members, simulatorParts()); }

const forecourt::MemberInfo* ServiceObject::findMember(const QString& name) const
{
    for (const auto& m : m_members)
        if (name.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0)
            return &m;
    return nullptr;
}

bool ServiceObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    std::string line = message.service().toStdString() + " ";
    QDBusMessage reply;
    try {
        reply = dispatch(message, line);
    } catch (const AutomationError& e) {
        append(line, {" -> ", loggedError(e)});
        reply = message.createErrorReply(errorNameFor(e), QString::fromStdString(e.description()));
    } catch (const std::bad_alloc&) {
        const AutomationError e(ErrorCode::InternalError, "out of memory");
        append(line, {" -> ", loggedError(e)});
        reply = message.createErrorReply(errorNameFor(e), QString::fromStdString(e.description()));
    } catch (const std::exception& e) {
        const AutomationError error(ErrorCode::InternalError, e.what());
        append(line, {" -> ", loggedError(error)});
        reply = message.createErrorReply(errorNameFor(error), QString::fromStdString(error.description()));
    }
    ++m_callsServed;
    const forecourt::Millis delay = answerDelay(message);
    if (delay.count() > 0)
        append(line, {" (answered after ", std::to_string(delay.count()), " ms)"});
    // Logged before the answer goes out, so the line is there once the caller has its answer.
    if (m_log)
        m_log(line);
    if (delay.count() > 0) {
        // A slow member: the reply goes out later, and the loop serves other calls meanwhile.
        message.setDelayedReply(true);
        QTimer::singleShot(delay, this, [connection, reply] { connection.send(reply); });
    } else if (message.isReplyRequired()) {
        connection.send(reply);
    }
    noteChange(connection);
    return true;
}

void ServiceObject::noteChange(const QDBusConnection& connection)
{
    const auto* served = site();
    if (!served)
        return;
    if (served->changeCount() == m_seenChanges && !m_movedOrReplaced)
        return;
    m_seenChanges = served->changeCount();
    m_movedOrReplaced = false;
    m_changeConnection = connection;
    if (!m_changeTimer.isActive())
        m_changeTimer.start();
}

void ServiceObject::tellChange()
{
    QDBusMessage changed = QDBusMessage::createSignal(QLatin1String(kObjectPath), QLatin1String(kSimulatorInterface),
                                                      QLatin1String(kChanged.name));
    changed << static_cast<qulonglong>(m_seenChanges);
    m_changeConnection.send(changed);
}

QDBusMessage ServiceObject::dispatch(const QDBusMessage& message, std::string& line)
{
    const QString interface = message.interface();
    if (interface == QLatin1String(kPropertiesInterface))
        return serveProperties(message, line);
    if (interface == QLatin1String(kIntrospectableInterface)) {
        line += "introspect";
        if (message.member() != QLatin1String("Introspect"))
            return refuse(message, QDBusError::UnknownMethod, message.member(), line);
        if (!message.signature().isEmpty())
            return refuseSignature(message, "", line);
        return message.createReply(introspectDocument(m_members, simulatorParts()));
    }
    if (interface == QLatin1String("org.freedesktop.DBus.Peer") && message.member() == QLatin1String("Ping")) {
        line += "ping";
        return message.createReply();
    }
    if (interface == QLatin1String(kSimulatorInterface) && simulatorParts().any())
        return serveSimulator(message, line);
    // A call without an interface goes to the server's own.
    if (interface.isEmpty() || interface == QLatin1String(kInterface))
        return serveRead(message, line);
    append(line, {interface.toStdString(), ".", message.member().toStdString()});
    return refuseInterface(message, interface, line);
}

QDBusMessage ServiceObject::serveProperties(const QDBusMessage& message, std::string& line)
{
    const QString member = message.member();
    const QVariantList args = message.arguments();
    const QString interface = args.value(0).toString();
    const bool ours = interface.isEmpty() || interface == QLatin1String(kInterface);
    const bool known = ours || (interface == QLatin1String(kSimulatorInterface) && simulatorParts().any());

    // Set, Get and GetAll start alike: the log words, the signature, the
    // property named (Set and Get), then the interface; a refusal ends there.
    const auto start = [&](const char* words, const char* signature, bool named) -> std::optional<QDBusMessage> {
        line += words;
        if (message.signature() != QLatin1String(signature))
            return refuseSignature(message, signature, line);
        if (named)
            append(line, {" ", args.value(1).toString().toStdString()});
        if (!known)
            return refuseInterface(message, interface, line);
        return std::nullopt;
    };
    const QString name = args.value(1).toString();

    if (member == QLatin1String("Set")) {
        if (auto refused = start("put", "ssv", true))
            return *refused;
        if (!ours)
            return refuse(message, QDBusError::UnknownProperty, QStringLiteral("No property '%1'").arg(name), line);
        if (const forecourt::MemberInfo* info = findMember(name))
            checkArgumentSize(args.value(2), info->name, info->largest);
        else
            checkArgumentSize(args.value(2), "a member", forecourt::kLargestValue);
        const Value value = argumentValue(args.value(2));
        append(line, {" = ", loggedValue(value)});
        m_instance.object->put(name.toStdString(), value);
        line += " -> ok";
        return message.createReply();
    }
    if (member == QLatin1String("Get")) {
        if (auto refused = start("read property", "ss", true))
            return *refused;
        const forecourt::MemberInfo* info = ours ? findMember(name) : nullptr;
        if (!info || info->access != Access::Put)
            return refuse(message, QDBusError::UnknownProperty, QStringLiteral("No property '%1'").arg(name), line);
        throw AutomationError(ErrorCode::WrongAccess, "'" + std::string(info->name) + "' is write-only: it is assigned, not read");
    }
    if (member == QLatin1String("GetAll")) {
        if (auto refused = start("read all properties", "s", false))
            return *refused;
        // Every property is write-only, so there is nothing to read.
        line += " -> none";
        return message.createReply(QVariant::fromValue(QVariantMap()));
    }
    append(line, {"Properties.", member.toStdString()});
    return refuse(message, QDBusError::UnknownMethod, QStringLiteral("No method Properties.%1").arg(member), line);
}

QDBusMessage ServiceObject::serveRead(const QDBusMessage& message, std::string& line)
{
    const std::string member = message.member().toStdString();
    // A sender that wants no answer makes a call; everyone else reads.
    const bool wantsResult = message.isReplyRequired();
    append(line, {wantsResult ? "get " : "call ", member});
    std::optional<Value> argument;
    if (message.signature() == QLatin1String("v")) {
        checkArgumentSize(message.arguments().front(), "an argument", forecourt::kLargestValue);
        argument = argumentValue(message.arguments().front());
        append(line, {"(", loggedValue(*argument), ")"});
    } else if (!message.signature().isEmpty()) {
        return refuseSignature(message, "v", line);
    }
    const Value result = wantsResult ? m_instance.object->get(member, argument)
                                     : m_instance.object->call(member, argument);
    append(line, {" -> ", loggedValue(result)});
    if (result.type() == Value::Type::String)
        checkReplySize(message.member().toUtf8().constData(), result.asString().size());
    return message.createReply(QVariant::fromValue(toVariant(result)));
}

} // namespace vantrel::dbus
