#include "dbus_client.h"

#include "wire_contract.h"

#include "server/automation_error.h"
#include "server/automation_registry.h"

#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QTimer>
#include <QXmlStreamReader>

#include <atomic>

namespace vantrel::dbus {

namespace {
constexpr const char* kBusService = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";
constexpr const char* kBusInterface = "org.freedesktop.DBus";
// A call out this long is shown as waiting.
constexpr int kWaitHookDelayMs = 100;

QString nextConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("vantrel-client-%1").arg(++counter);
}

bool isMemberName(std::string_view member)
{
    if (member.empty() || member.size() > 255 || (member.front() >= '0' && member.front() <= '9'))
        return false;
    for (const char c : member)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
            return false;
    return true;
}

QString qstring(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

std::string busDescription(const Endpoint& e)
{
    switch (e.bus) {
    case Endpoint::Bus::Session: return "the session bus";
    case Endpoint::Bus::System: return "the system bus";
    case Endpoint::Bus::Address: break;
    }
    return "the bus at " + e.address;
}

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
    : m_endpoint(std::move(endpoint)),
      m_timeout(timeout),
      m_replyLimit(replyLimit),
      m_connectionName(nextConnectionName()),
      m_connection(m_connectionName)
{
    try {
        connect();
        if (!m_connection.isConnected())
            throw AutomationError(ErrorCode::CannotCreateObject,
                                  "cannot reach " + busDescription(m_endpoint) + ": " +
                                      m_connection.lastError().message().toStdString());
        checkServerPresent();
    } catch (...) {
        // No destructor runs for a client that was never made: close its connection here.
        QDBusConnection::disconnectFromBus(m_connectionName);
        throw;
    }
}

DBusClient::~DBusClient() { QDBusConnection::disconnectFromBus(m_connectionName); }

void DBusClient::connect() { m_connection = connectToBus(m_endpoint, m_connectionName); }

void DBusClient::checkServerPresent()
{
    const QString name = QString::fromStdString(m_endpoint.busName);
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
    return QDBusMessage::createMethodCall(QString::fromStdString(m_endpoint.busName), kObjectPath, interface,
                                          qstring(member));
}

QDBusMessage DBusClient::send(const QDBusMessage& message, std::string_view member, Phase phase)
{
    if (m_waiting)
        throw AutomationError(ErrorCode::InternalError,
                              "a call to the server is still out; '" + std::string(member) + "' was not sent");
    if (!m_connection.isConnected()) {
        // The bus went away (a forwarded socket dropped); try once to come back.
        QDBusConnection::disconnectFromBus(m_connectionName);
        connect();
        if (!m_connection.isConnected())
            throw AutomationError(phase == Phase::Create ? ErrorCode::CannotCreateObject : ErrorCode::ServerUnavailable,
                                  "cannot reach " + busDescription(m_endpoint) + ": " +
                                      m_connection.lastError().message().toStdString());
    }

    QDBusPendingCall pending = m_connection.asyncCall(message, static_cast<int>(m_timeout.count()));
    if (!pending.isFinished()) {
        FlagScope waiting(m_waiting);
        QDBusPendingCallWatcher watcher(pending);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        bool told = false;
        QTimer hookTimer;
        hookTimer.setSingleShot(true);
        QObject::connect(&hookTimer, &QTimer::timeout, [&] {
            told = true;
            if (m_waitHook)
                m_waitHook(true, member);
        });
        // The bus enforces the timeout; this guard only keeps a lost reply from holding us forever.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
        hookTimer.start(kWaitHookDelayMs);
        guard.start(static_cast<int>(m_timeout.count()) + 1000);
        if (!pending.isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        if (told && m_waitHook)
            m_waitHook(false, member);
    }
    if (!pending.isFinished())
        throw AutomationError(phase == Phase::Create ? ErrorCode::CannotCreateObject : ErrorCode::ServerUnavailable,
                              "no answer to '" + std::string(member) + "' within " +
                                  std::to_string(m_timeout.count()) + " ms");
    const QDBusMessage reply = pending.reply();
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
    message << QString::fromLatin1(kInterface) << qstring(member) << QVariant::fromValue(toVariant(value));
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
    throw AutomationError(ErrorCode::TypeMismatch, "'" + std::string(member) + "' answered with signature '" +
                                                       reply.signature().toStdString() + "', not one variant");
}

const DBusClient::SimulatorMethods& DBusClient::simulatorMethods()
{
    if (m_simulator)
        return *m_simulator;
    QDBusMessage message = methodCall(kIntrospectableInterface, "Introspect");
    QString xml;
    try {
        const QDBusMessage reply = send(message, "Introspect", Phase::Call);
        xml = reply.arguments().value(0).toString();
    } catch (const AutomationError& e) {
        // A server that cannot be introspected offers no simulator.
        if (e.number() != static_cast<int>(ErrorCode::UnknownMember))
            throw;
    }
    SimulatorMethods found;
    QXmlStreamReader reader(xml);
    bool inSimulator = false;
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartElement && reader.name() == u"interface")
            inSimulator = reader.attributes().value(QStringLiteral("name")) == QLatin1String(kSimulatorInterface);
        else if (token == QXmlStreamReader::EndElement && reader.name() == u"interface")
            inSimulator = false;
        else if (token == QXmlStreamReader::StartElement && inSimulator && reader.name() == u"method") {
            const auto name = reader.attributes().value(QStringLiteral("name"));
            found.advance = found.advance || name == u"Advance";
            found.customer = found.customer || name == u"Customer";
            found.readSite = found.readSite || name == u"ReadSite";
        }
    }
    m_simulator = found;
    return *m_simulator;
}

void DBusClient::advance(std::chrono::milliseconds by)
{
    QDBusMessage message = methodCall(kSimulatorInterface, "Advance");
    message << static_cast<qulonglong>(by.count() < 0 ? 0 : by.count());
    send(message, "Advance", Phase::Call);
}

std::string DBusClient::customer(const std::string& action)
{
    QDBusMessage message = methodCall(kSimulatorInterface, "Customer");
    message << QString::fromStdString(action);
    const QDBusMessage reply = send(message, "Customer", Phase::Call);
    return reply.arguments().value(0).toString().toStdString();
}

void DBusClient::reset() { send(methodCall(kSimulatorInterface, "Reset"), "Reset", Phase::Call); }

QDBusConnection connectToBus(const Endpoint& endpoint, const QString& connectionName)
{
    switch (endpoint.bus) {
    case Endpoint::Bus::Session: return QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
    case Endpoint::Bus::System: return QDBusConnection::connectToBus(QDBusConnection::SystemBus, connectionName);
    case Endpoint::Bus::Address: break;
    }
    return QDBusConnection::connectToBus(QString::fromStdString(endpoint.address), connectionName);
}

bool registerDBusServer(AutomationRegistry& registry, const std::string& spec, std::chrono::milliseconds timeout)
{
    const auto endpoint = parseServerSpec(spec);
    if (!endpoint)
        return false;
    registry.add(spec, [endpoint = *endpoint, timeout] { return std::make_unique<DBusClient>(endpoint, timeout); });
    return true;
}

} // namespace vantrel::dbus
