#include "service_object.h"

#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"

#include "call_log.h"
#include "introspection.h"
#include "site_state_codec.h"
#include "wire_contract.h"

#include "server/automation_error.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusVariant>

#include <initializer_list>
#include <new>
#include <string_view>

namespace vantrel::dbus {

namespace {
// Appends the pieces of a log line.
void append(std::string& line, std::initializer_list<std::string_view> parts)
{
    for (const std::string_view part : parts)
        line += part;
}

// Longer than ten years of simulated time is a mistake, not a test.
constexpr qulonglong kLongestAdvanceMs = 10ULL * 366 * 24 * 3600 * 1000;
// Changes closer together than this are told as one Changed signal.
constexpr int kChangeCoalesceMs = 20;

QDBusMessage refuse(const QDBusMessage& message, QDBusError::ErrorType type, const QString& text, std::string& line)
{
    append(line, {" -> ", QDBusError::errorString(type).toStdString(), ": ", text.toStdString()});
    return message.createErrorReply(type, text);
}

QDBusMessage refuseSignature(const QDBusMessage& message, const char* wanted, std::string& line)
{
    return refuse(message, QDBusError::InvalidArgs,
                  QStringLiteral("%1.%2 takes (%3), not (%4)")
                      .arg(message.interface(), message.member(), QLatin1String(wanted), message.signature()),
                  line);
}

Value argumentValue(const QVariant& argument)
{
    return fromVariant(qvariant_cast<QDBusVariant>(argument).variant());
}
} // namespace

ServiceObject::ServiceObject(InstanceFactory factory, std::span<const forecourt::MemberInfo> members, LogSink log)
    : m_factory(std::move(factory)),
      m_instance(m_factory()),
      m_members(members),
      m_log(std::move(log)),
      m_changeConnection(QString()) // the one a call came on, once one has
{
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
        append(line, {" -> ", describeError(e)});
        reply = message.createErrorReply(errorNameFor(e), QString::fromStdString(e.description()));
    } catch (const std::bad_alloc&) {
        const AutomationError e(ErrorCode::InternalError, "out of memory");
        append(line, {" -> ", describeError(e)});
        reply = message.createErrorReply(errorNameFor(e), QString::fromStdString(e.description()));
    } catch (const std::exception& e) {
        const AutomationError error(ErrorCode::InternalError, e.what());
        append(line, {" -> ", describeError(error)});
        reply = message.createErrorReply(errorNameFor(error), QString::fromStdString(error.description()));
    }
    ++m_callsServed;
    // Logged before the answer goes out, so the line is there once the caller has its answer.
    if (m_log)
        m_log(line);
    if (message.isReplyRequired())
        connection.send(reply);
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
                                                      QStringLiteral("Changed"));
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
    return refuse(message, QDBusError::UnknownInterface, QStringLiteral("No interface '%1' here").arg(interface), line);
}

QDBusMessage ServiceObject::serveProperties(const QDBusMessage& message, std::string& line)
{
    const QString member = message.member();
    const QVariantList args = message.arguments();
    const QString interface = args.value(0).toString();
    const bool ours = interface.isEmpty() || interface == QLatin1String(kInterface);
    const bool known = ours || (interface == QLatin1String(kSimulatorInterface) && simulatorParts().any());

    if (member == QLatin1String("Set")) {
        line += "put";
        if (message.signature() != QLatin1String("ssv"))
            return refuseSignature(message, "ssv", line);
        const QString name = args.value(1).toString();
        append(line, {" ", name.toStdString()});
        if (!known)
            return refuse(message, QDBusError::UnknownInterface, QStringLiteral("No interface '%1' here").arg(interface), line);
        if (!ours)
            return refuse(message, QDBusError::UnknownProperty, QStringLiteral("No property '%1'").arg(name), line);
        const Value value = argumentValue(args.value(2));
        append(line, {" = ", describeValue(value)});
        m_instance.object->put(name.toStdString(), value);
        line += " -> ok";
        return message.createReply();
    }
    if (member == QLatin1String("Get")) {
        line += "read property";
        if (message.signature() != QLatin1String("ss"))
            return refuseSignature(message, "ss", line);
        const QString name = args.value(1).toString();
        append(line, {" ", name.toStdString()});
        if (!known)
            return refuse(message, QDBusError::UnknownInterface, QStringLiteral("No interface '%1' here").arg(interface), line);
        const forecourt::MemberInfo* info = ours ? findMember(name) : nullptr;
        if (!info || info->access != Access::Put)
            return refuse(message, QDBusError::UnknownProperty, QStringLiteral("No property '%1'").arg(name), line);
        throw AutomationError(ErrorCode::WrongAccess, "'" + std::string(info->name) + "' is write-only: it is assigned, not read");
    }
    if (member == QLatin1String("GetAll")) {
        line += "read all properties";
        if (message.signature() != QLatin1String("s"))
            return refuseSignature(message, "s", line);
        if (!known)
            return refuse(message, QDBusError::UnknownInterface, QStringLiteral("No interface '%1' here").arg(interface), line);
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
        argument = argumentValue(message.arguments().front());
        append(line, {"(", describeValue(*argument), ")"});
    } else if (!message.signature().isEmpty()) {
        return refuseSignature(message, "v", line);
    }
    const Value result = wantsResult ? m_instance.object->get(member, argument)
                                     : m_instance.object->call(member, argument);
    append(line, {" -> ", describeValue(result)});
    return message.createReply(QVariant::fromValue(toVariant(result)));
}

QDBusMessage ServiceObject::serveSimulator(const QDBusMessage& message, std::string& line)
{
    const QString member = message.member();
    const bool clocked = hasVirtualClock();
    if (clocked && member == QLatin1String("Advance")) {
        line += "advance";
        if (message.signature() != QLatin1String("t"))
            return refuseSignature(message, "t", line);
        const qulonglong ms = message.arguments().front().toULongLong();
        append(line, {" ", std::to_string(ms), " ms"});
        if (ms > kLongestAdvanceMs)
            return refuse(message, QDBusError::InvalidArgs, QStringLiteral("Advance takes at most %1 ms").arg(kLongestAdvanceMs), line);
        m_instance.clock->advance(forecourt::Millis(static_cast<long long>(ms)));
        // Time moving on moves the sales, the wash and the due key entries.
        m_movedOrReplaced = true;
        line += " -> ok";
        return message.createReply();
    }
    if (clocked && member == QLatin1String("Reset")) {
        line += "reset";
        if (!message.signature().isEmpty())
            return refuseSignature(message, "", line);
        ServedInstance fresh = m_factory();
        m_instance = std::move(fresh);
        m_movedOrReplaced = true;
        line += " -> ok";
        return message.createReply();
    }
    auto* served = site();
    if (served && member == QLatin1String("Customer")) {
        line += "customer";
        if (message.signature() != QLatin1String("s"))
            return refuseSignature(message, "s", line);
        const std::string action = message.arguments().front().toString().toStdString();
        append(line, {" ", action});
        try {
            const std::string done = forecourt::actAsCustomer(*served, action);
            line += " -> ok";
            return message.createReply(QString::fromStdString(done));
        } catch (const forecourt::CustomerError& e) {
            return refuse(message, QDBusError::InvalidArgs, QString::fromStdString(e.what()), line);
        }
    }
    if (served && member == QLatin1String("ReadSite")) {
        line += "read site";
        if (message.signature() != QLatin1String("n"))
            return refuseSignature(message, "n", line);
        const int position = message.arguments().front().value<short>();
        append(line, {" ", std::to_string(position)});
        if (position < 1 || position > forecourt::FuelingPositions::kPositions)
            return refuse(message, QDBusError::InvalidArgs,
                          QStringLiteral("ReadSite takes a position from 1 to %1, not %2")
                              .arg(forecourt::FuelingPositions::kPositions)
                              .arg(position),
                          line);
        const QByteArray json = encodeSiteState(served->siteState(position));
        append(line, {" -> ", std::to_string(json.size()), " bytes"});
        return message.createReply(QString::fromUtf8(json));
    }
    append(line, {"Simulator.", member.toStdString()});
    return refuse(message, QDBusError::UnknownMethod, QStringLiteral("No method Simulator.%1").arg(member), line);
}

} // namespace vantrel::dbus
