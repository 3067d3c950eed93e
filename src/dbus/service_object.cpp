#include "service_object.h"

#include "forecourt/customer.h"
#include "forecourt/customer_command.h"
#include "forecourt/forecourt_server.h"

#include "call_log.h"
#include "introspection.h"
#include "site_state_codec.h"
#include "wire_contract.h"

#include "forecourt/site_bounds.h"
#include "journal/card_mask.h"
#include "server/ascii_text.h"
#include "server/automation_error.h"
#include "server/control_pictures.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusVariant>

#include <algorithm>
#include <utility>
#include <initializer_list>
#include <new>
#include <string_view>
#include <vector>

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

std::string loggedCut(std::string_view bytes);

QDBusMessage refuse(const QDBusMessage& message, QDBusError::ErrorType type, const QString& text, std::string& line,
                    const std::string& logged = {})
{
    append(line, {" -> ", QDBusError::errorString(type).toStdString(), ": ",
                  logged.empty() ? loggedCut(text.toStdString()) : logged});
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

// The service log shows a text with its card data masked as the files the
// utility writes have it, then cut at kLoggedBytes, so a line stays a few
// hundred bytes whatever was sent, and no card number, track data or PIN
// reaches a terminal or the journal. It masks the whole text before it
// cuts, so a card number across the cut is masked too.
// The shown part of a text, and what says it was cut ("… (381 bytes)").
std::pair<std::string, std::string> loggedPieces(std::string_view bytes)
{
    const std::string masked = journal::maskCardData(bytes);
    std::string shown = toControlPictures(std::string_view(masked).substr(0, kLoggedBytes));
    if (masked.size() <= kLoggedBytes)
        return {std::move(shown), {}};
    return {std::move(shown), "\u2026 (" + std::to_string(bytes.size()) + " bytes)"};
}

std::string loggedCut(std::string_view bytes)
{
    auto [shown, cut] = loggedPieces(bytes);
    return shown + cut;
}

std::string loggedValue(const Value& value)
{
    if (value.type() != Value::Type::String)
        return describeValue(value);
    auto [shown, cut] = loggedPieces(value.asString());
    return "\"" + shown + "\"" + cut;
}

std::string loggedError(const AutomationError& error)
{
    return "error " + std::to_string(error.number()) + ": " + loggedCut(error.description());
}

// A put value as it came, before anything converts it: a text larger than
// the member takes is refused without copying it.
void checkArgumentSize(const QVariant& argument, const char* member, std::size_t largest)
{
    const QVariant inner = qvariant_cast<QDBusVariant>(argument).variant();
    if (inner.typeId() == QMetaType::QByteArray)
        forecourt::checkValueSize(member, static_cast<std::size_t>(inner.toByteArray().size()), largest);
    else if (inner.typeId() == QMetaType::QString)
        forecourt::checkValueSize(member, static_cast<std::size_t>(inner.toString().size()), largest);
}

// A customer action as the log shows it. Keys pressed at a reader whose
// key entry asks for a PIN are the customer's PIN: the log names them "(PIN)",
// in the action and in a refusal that quotes them.
struct LoggedAction {
    std::string action;
    std::string pin;

    std::string error(std::string text) const
    {
        if (!pin.empty()) {
            const std::string quoted = "\"" + pin + "\"";
            for (auto at = text.find(quoted); at != std::string::npos; at = text.find(quoted, at))
                text.replace(at, quoted.size(), "\"(PIN)\"");
        }
        return loggedCut(text);
    }
};

LoggedAction loggedAction(forecourt::ForecourtServer& site, const std::string& action)
{
    // Read as the site reads it; keys after a good position are hidden even
    // when more follows them and the site refuses the line.
    const forecourt::CustomerParse parsed = forecourt::parseCustomerCommand(action);
    const forecourt::CustomerCommand& read = parsed.command ? *parsed.command : parsed.partial;
    if (parsed.verb == forecourt::CustomerVerb::Key && read.position > 0 && !read.argument.empty() &&
        forecourt::keysArePin(site.readers().reader(read.position).entryMode))
        return {"key " + std::to_string(read.position) + " (PIN)", read.argument};
    return {loggedCut(action), {}};
}

// The largest answer the service sends: a reply must stay under the
// message limit of the bus (32 MiB on a system bus), with room for its header.
constexpr std::size_t kLargestReply = std::size_t(24) << 20;

void checkReplySize(const char* what, std::size_t size)
{
    if (size > kLargestReply)
        throw AutomationError(ErrorCode::ReplyTooLarge, std::string(what) + " would be " + forecourt::groupedNumber(size) +
                                                            " bytes; the service answers at most " +
                                                            forecourt::groupedNumber(kLargestReply));
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

QDBusMessage ServiceObject::serveSimulator(const QDBusMessage& message, std::string& line)
{
    const QString member = message.member();
    const SimulatorMember* method = findSimulatorMethod(member);
    if (!method || !simulatorParts().offers(method->part)) {
        append(line, {"Simulator.", member.toStdString()});
        return refuse(message, QDBusError::UnknownMethod, QStringLiteral("No method Simulator.%1").arg(member), line);
    }
    // The log names the method in lower case words ("read site").
    const std::string_view name = method->name;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i > 0 && name[i] >= 'A' && name[i] <= 'Z')
            line += ' ';
        line += asciiLower(name[i]);
    }
    if (message.signature() != QLatin1String(method->in))
        return refuseSignature(message, method->in, line);

    if (method == &kAdvance) {
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
    if (method == &kReset) {
        ServedInstance fresh = m_factory();
        m_instance = std::move(fresh);
        m_movedOrReplaced = true;
        line += " -> ok";
        return message.createReply();
    }
    auto* served = site();
    if (method == &kCustomer) {
        const QString given = message.arguments().front().toString();
        if (static_cast<std::size_t>(given.size()) > forecourt::kLongestCustomerAction) {
            append(line, {" (", forecourt::groupedNumber(static_cast<std::size_t>(given.size())), " characters)"});
            return refuse(message, QDBusError::InvalidArgs,
                          QStringLiteral("an action is at most %1 characters, not %2")
                              .arg(QString::fromStdString(forecourt::groupedNumber(forecourt::kLongestCustomerAction)),
                                   QString::fromStdString(forecourt::groupedNumber(static_cast<std::size_t>(given.size())))),
                          line);
        }
        const std::string action = given.toStdString();
        const LoggedAction logged = loggedAction(*served, action);
        append(line, {" ", logged.action});
        try {
            const std::string done = forecourt::actAsCustomer(*served, action);
            line += " -> ok";
            return message.createReply(QString::fromStdString(done));
        } catch (const forecourt::CustomerError& e) {
            // The site's own refusal has a name of its own: a bad signature or
            // a value out of range stays InvalidArgs.
            append(line, {" -> ", kCustomerRefused, ": ", logged.error(e.what())});
            return message.createErrorReply(QLatin1String(kCustomerRefused), QString::fromStdString(e.what()));
        }
    }
    // ReadSite
    const int position = message.arguments().front().value<short>();
    append(line, {" ", std::to_string(position)});
    if (position < 1 || position > forecourt::FuelingPositions::kPositions)
        return refuse(message, QDBusError::InvalidArgs,
                      QStringLiteral("ReadSite takes a position from 1 to %1, not %2")
                          .arg(forecourt::FuelingPositions::kPositions)
                          .arg(position),
                      line);
    const QByteArray json = encodeSiteState(served->siteState(position));
    // The bounds of the site keep the state far below this; should one
    // ever fail, the caller hears why instead of the bus ending the service.
    checkReplySize("the site state", static_cast<std::size_t>(json.size()));
    append(line, {" -> ", std::to_string(json.size()), " bytes"});
    return message.createReply(QString::fromUtf8(json));
}

} // namespace vantrel::dbus
