#include "dbus_client.h"

#include "introspection_reader.h"
#include "wire_contract.h"

#include "server/ascii_text.h"
#include "server/automation_error.h"
#include "server/automation_registry.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace vantrel::dbus {

namespace {
constexpr const char* kBusService = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
constexpr const char* kBusInterface = "org.freedesktop.DBus";
// A call out this long is shown as waiting.
constexpr int kWaitHookDelayMs = 100;


// D-Bus carries at most 64 MiB in one array, and libdbus aborts the
// process that tries to send more: such a value is refused before it is
// marshalled.
void checkSendable(std::string_view member, const Value& value)
{
    if (value.type() == Value::Type::String && value.asString().size() > kReplyLimit)
        throw AutomationError(ErrorCode::ValueTooLarge,
                              "'" + std::string(member) + "' was given " + std::to_string(value.asString().size()) +
                                  " bytes; D-Bus carries at most " + std::to_string(kReplyLimit) +
                                  " bytes in one value, and nothing was sent");
}

// Clears a flag however the scope ends.
struct FlagScope {
    bool& flag;
    explicit FlagScope(bool& f) : flag(f) { flag = true; }
    ~FlagScope() { flag = false; }
};
} // namespace

DBusClient::DBusClient(Endpoint endpoint, std::chrono::milliseconds timeout, std::size_t replyLimit)
    : m_channel(std::move(endpoint), timeout, "vantrel-client"),
      m_replyLimit(replyLimit)
{
    if (!m_channel.isConnected())
        throw AutomationError(ErrorCode::CannotCreateObject, m_channel.connectError());
    checkServerPresent();
    probeSimulator();
}

DBusClient::~DBusClient() = default;

void DBusClient::checkServerPresent()
{
    const QString name = QString::fromStdString(endpoint().busName);
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusInterface, "NameHasOwner");
    hasOwner << name;
    const QDBusMessage owned = send(hasOwner, "NameHasOwner", Phase::Create);
    if (!owned.arguments().isEmpty() && owned.arguments().front().toBool())
        return;
    // Not running: the bus may start it from a .service file.
    QDBusMessage start = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusInterface, "StartServiceByName");
    start << name << 0u;
    send(start, "StartServiceByName", Phase::Create);
}

QDBusMessage DBusClient::methodCall(const char* interface, std::string_view member) const
{
    return m_channel.methodCall(interface, fromBytes(member));
}

QDBusMessage DBusClient::send(const QDBusMessage& message, std::string_view member, Phase phase)
{
    if (m_waiting)
        throw AutomationError(ErrorCode::InternalError,
                              "a call to the server is still out; '" + std::string(member) + "' was not sent");
    // The channel calls back exactly once. Should the loop end without it
    // (the application quitting), the late answer finds no loop to end.
    struct Waiting {
        std::optional<QDBusMessage> reply;
        QEventLoop* loop = nullptr;
    };
    auto answer = std::make_shared<Waiting>();
    QEventLoop loop;
    m_channel.send(message, [answer](const QDBusMessage& reply) {
        answer->reply = reply;
        if (answer->loop)
            answer->loop->quit();
    });
    if (!answer->reply) {
        answer->loop = &loop;
        FlagScope waiting(m_waiting);
        bool told = false;
        QTimer hookTimer;
        hookTimer.setSingleShot(true);
        QObject::connect(&hookTimer, &QTimer::timeout, [&] {
            told = true;
            if (m_waitHook)
                m_waitHook(true, member);
        });
        hookTimer.start(kWaitHookDelayMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        answer->loop = nullptr;
        if (told && m_waitHook)
            m_waitHook(false, member);
    }
    if (!answer->reply)
        throw AutomationError(phase == Phase::Create ? ErrorCode::CannotCreateObject : ErrorCode::ServerUnavailable,
                              "no answer to '" + std::string(member) + "': the wait for it was ended");
    const QDBusMessage reply = *answer->reply;
    // Qt has received the answer already; a huge one goes no further, so it is
    // never copied into a Value, journalled or laid out in a box.
    if (const std::size_t bytes = payloadBytes(reply); bytes > m_replyLimit)
        throw replyTooLarge(member, bytes, m_replyLimit);
    if (reply.type() == QDBusMessage::ErrorMessage)
        throw toAutomationError(reply.errorName(), reply.errorMessage(), phase);
    return reply;
}

void DBusClient::put(std::string_view member, const Value& value)
{
    checkSendable(member, value);
    QDBusMessage message = methodCall(kPropertiesInterface, "Set");
    message << QString::fromLatin1(kInterface) << fromBytes(member) << QVariant::fromValue(toVariant(value));
    send(message, member, Phase::Call);
}

Value DBusClient::get(std::string_view member, const std::optional<Value>& argument)
{
    return invoke(member, argument, true);
}

// The caller drops a call's result, but may still convert it (the help
// file's answer is read as a 16-bit integer): it comes back as a read's
// does; a server that answers a call with nothing gives an empty value.
Value DBusClient::call(std::string_view member, const std::optional<Value>& argument)
{
    return invoke(member, argument, false);
}

Value DBusClient::invoke(std::string_view member, const std::optional<Value>& argument, bool needResult)
{
    if (!isMemberName(member))
        throw AutomationError(ErrorCode::UnknownMember, "'" + std::string(member) + "' is not a member name");
    if (argument)
        checkSendable(member, *argument);
    QDBusMessage message = methodCall(kInterface, member);
    if (argument)
        message << QVariant::fromValue(toVariant(*argument));
    const QDBusMessage reply = send(message, member, Phase::Call);
    const QVariantList results = reply.arguments();
    if (results.size() == 1 && results.front().metaType() == QMetaType::fromType<QDBusVariant>())
        return fromVariant(qvariant_cast<QDBusVariant>(results.front()).variant());
    if (!needResult && results.empty())
        return {};
    throw notOneVariant(member, reply.signature().toStdString());
}

bool DBusClient::offers(const SimulatorMember& member) const
{
    return std::find(m_offered.begin(), m_offered.end(), &member) != m_offered.end();
}

// Asked once, while the client is created, within the call timeout: a server
// that cannot answer its introspection then is not created (429), so the
// questions above never block or fail later.
void DBusClient::probeSimulator()
{
    QDBusMessage message = methodCall(kIntrospectableInterface, "Introspect");
    try {
        const QDBusMessage reply = send(message, "Introspect", Phase::Create);
        m_introspection = reply.arguments().value(0).toString();
    } catch (const AutomationError& e) {
        // A server that cannot be introspected offers no simulator.
        if (e.number() != static_cast<int>(ErrorCode::UnknownMember))
            throw;
        m_introspectionProblem = e.description();
    }
    for (const QString& name : readIntrospection(m_introspection).simulatorMethods)
        if (const SimulatorMember* m = findSimulatorMethod(name); m && !offers(*m))
            m_offered.push_back(m);
}

void DBusClient::advance(std::chrono::milliseconds by)
{
    QDBusMessage message = methodCall(kSimulatorInterface, kAdvance.name);
    message << static_cast<qulonglong>(by.count() < 0 ? 0 : by.count());
    send(message, kAdvance.name, Phase::Call);
}

std::string DBusClient::simulatorText(const SimulatorMember& member, const std::optional<std::string>& argument)
{
    QDBusMessage message = methodCall(kSimulatorInterface, member.name);
    if (argument)
        message << QString::fromStdString(*argument);
    const QDBusMessage reply = send(message, member.name, Phase::Call);
    return reply.arguments().value(0).toString().toStdString();
}

std::string DBusClient::customer(const std::string& action) { return simulatorText(kCustomer, action); }

std::string DBusClient::fault(const std::string& fault) { return simulatorText(kFault, fault); }

std::string DBusClient::faults() { return simulatorText(kFaults, std::nullopt); }

void DBusClient::reset() { send(methodCall(kSimulatorInterface, kReset.name), kReset.name, Phase::Call); }

bool registerDBusServer(AutomationRegistry& registry, const std::string& spec, std::chrono::milliseconds timeout)
{
    const auto endpoint = parseServerSpec(spec);
    if (!endpoint)
        return false;
    registry.add(spec, [endpoint = *endpoint, timeout] { return std::make_unique<DBusClient>(endpoint, timeout); });
    return true;
}

} // namespace vantrel::dbus
