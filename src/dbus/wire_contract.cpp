#include "wire_contract.h"

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QStringList>

#include <array>
#include <cstdint>

namespace vantrel::dbus {

QDBusVariant toVariant(const Value& value)
{
    switch (value.type()) {
    case Value::Type::String: {
        const std::string& s = value.asString();
        return QDBusVariant(QVariant(QByteArray(s.data(), static_cast<qsizetype>(s.size()))));
    }
    case Value::Type::Int16: return QDBusVariant(QVariant::fromValue<short>(value.asInt16()));
    case Value::Type::Int32: return QDBusVariant(QVariant::fromValue<int>(value.asInt32()));
    case Value::Type::Double: return QDBusVariant(QVariant(value.asDouble()));
    case Value::Type::Bool: return QDBusVariant(QVariant(value.asBool()));
    case Value::Type::Empty: break;
    }
    return QDBusVariant(QVariant(QByteArray()));
}

QString signatureOf(const QVariant& argument)
{
    if (argument.metaType() == QMetaType::fromType<QDBusArgument>())
        return argument.value<QDBusArgument>().currentSignature();
    if (argument.metaType() == QMetaType::fromType<QDBusVariant>())
        return QStringLiteral("v");
    if (const char* signature = QDBusMetaType::typeToSignature(argument.metaType()))
        return QString::fromLatin1(signature);
    return QStringLiteral("?");
}

Value fromVariant(const QVariant& variant)
{
    const QMetaType type = variant.metaType();
    if (type == QMetaType::fromType<QByteArray>()) {
        const QByteArray bytes = variant.toByteArray();
        return Value::string(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
    if (type == QMetaType::fromType<QString>()) {
        const QString text = variant.toString();
        std::string bytes;
        bytes.reserve(static_cast<std::size_t>(text.size()));
        for (const QChar c : text) {
            if (c.unicode() > 0xFF)
                throw AutomationError(ErrorCode::TypeMismatch,
                                      "the text holds the character U+" +
                                          QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0').toStdString() +
                                          ", outside the codes 0 to 255");
            bytes += static_cast<char>(c.unicode());
        }
        return Value::string(std::move(bytes));
    }
    if (type == QMetaType::fromType<short>())
        return Value::int16(static_cast<std::int16_t>(variant.value<short>()));
    if (type == QMetaType::fromType<int>())
        return Value::int32(variant.toInt());
    if (type == QMetaType::fromType<double>())
        return Value::real(variant.toDouble());
    if (type == QMetaType::fromType<bool>())
        return Value::boolean(variant.toBool());
    throw unknownValueType(signatureOf(variant).toStdString());
}

AutomationError unknownValueType(std::string_view signature)
{
    return AutomationError(ErrorCode::TypeMismatch,
                           "a value of D-Bus type '" + std::string(signature) + "' cannot be taken");
}

AutomationError notOneVariant(std::string_view member, std::string_view signature)
{
    return AutomationError(ErrorCode::TypeMismatch, "'" + std::string(member) + "' answered with signature '" +
                                                        std::string(signature) + "', not one variant");
}

namespace {
std::size_t variantBytes(const QVariant& v)
{
    const QMetaType type = v.metaType();
    if (type == QMetaType::fromType<QByteArray>())
        return static_cast<std::size_t>(v.toByteArray().size());
    if (type == QMetaType::fromType<QString>())
        return static_cast<std::size_t>(v.toString().size());
    if (type == QMetaType::fromType<QDBusVariant>())
        return variantBytes(qvariant_cast<QDBusVariant>(v).variant());
    if (type == QMetaType::fromType<QStringList>()) {
        std::size_t bytes = 0;
        for (const QString& s : v.toStringList())
            bytes += static_cast<std::size_t>(s.size());
        return bytes;
    }
    return 0;
}

// 73400320 -> "73,400,320"
std::string grouped(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), 1, ',');
    return digits;
}
} // namespace

std::size_t payloadBytes(const QDBusMessage& reply)
{
    std::size_t bytes = static_cast<std::size_t>(reply.errorMessage().size());
    const QList<QVariant> arguments = reply.arguments();
    // An error reply read off the bus holds its message as its first
    // argument as well: it is counted once.
    const bool messageTwice = reply.type() == QDBusMessage::ErrorMessage && !arguments.isEmpty() &&
                              arguments.front().metaType() == QMetaType::fromType<QString>() &&
                              arguments.front().toString() == reply.errorMessage();
    for (qsizetype i = messageTwice ? 1 : 0; i < arguments.size(); ++i)
        bytes += variantBytes(arguments[i]);
    return bytes;
}

AutomationError replyTooLarge(std::string_view member, std::size_t bytes, std::size_t limit)
{
    return AutomationError(ErrorCode::ReplyTooLarge,
                           "the answer to '" + std::string(member) + "' holds " + grouped(bytes) +
                               " bytes, more than the " + grouped(limit) + " bytes (" +
                               std::to_string(limit >> 20) + " MiB) the utility takes; it was not read");
}

namespace {
using P = Phase;
using E = ErrorCode;
constexpr std::array kMappings = {
    ErrorMapping{"org.freedesktop.DBus.Error.UnknownMethod", P::Any, E::UnknownMember},
    ErrorMapping{"org.freedesktop.DBus.Error.UnknownProperty", P::Any, E::UnknownMember},
    ErrorMapping{"org.freedesktop.DBus.Error.UnknownInterface", P::Any, E::UnknownMember},
    ErrorMapping{"org.freedesktop.DBus.Error.UnknownObject", P::Any, E::UnknownMember},
    ErrorMapping{"org.freedesktop.DBus.Error.InvalidArgs", P::Any, E::WrongAccess},
    ErrorMapping{kCustomerRefused, P::Any, E::WrongAccess},
    ErrorMapping{kFaultRefused, P::Any, E::WrongAccess},
    ErrorMapping{kTrafficRefused, P::Any, E::WrongAccess},
    ErrorMapping{"org.freedesktop.DBus.Error.PropertyReadOnly", P::Any, E::WrongAccess},
    ErrorMapping{"org.freedesktop.DBus.Error.AccessDenied", P::Any, E::PermissionDenied},
    ErrorMapping{"org.freedesktop.DBus.Error.ServiceUnknown", P::Create, E::CannotCreateObject},
    ErrorMapping{"org.freedesktop.DBus.Error.NameHasNoOwner", P::Create, E::CannotCreateObject},
    ErrorMapping{"org.freedesktop.DBus.Error.ServiceUnknown", P::Call, E::ServerUnavailable},
    ErrorMapping{"org.freedesktop.DBus.Error.NameHasNoOwner", P::Call, E::ServerUnavailable},
    ErrorMapping{"org.freedesktop.DBus.Error.NoReply", P::Call, E::ServerUnavailable},
    ErrorMapping{"org.freedesktop.DBus.Error.Timeout", P::Call, E::ServerUnavailable},
    ErrorMapping{"org.freedesktop.DBus.Error.Disconnected", P::Call, E::ServerUnavailable},
};

// "Vantrel.Error.E1003" -> 1003; -1 when the name is not of that form.
int serverErrorNumber(const QString& name)
{
    const QString prefix = QString::fromLatin1(kErrorPrefix);
    if (!name.startsWith(prefix) || name.size() == prefix.size() || name.size() > prefix.size() + 9)
        return -1;
    bool ok = false;
    const int number = name.mid(prefix.size()).toInt(&ok);
    return ok && number >= 0 && name.mid(prefix.size()) == QString::number(number) ? number : -1;
}
} // namespace

std::span<const ErrorMapping> errorMappings() { return kMappings; }

const SimulatorMember* findSimulatorMethod(QStringView name)
{
    for (const SimulatorMember& m : kSimulatorMembers)
        if (!m.signal && name == QLatin1String(m.name))
            return &m;
    return nullptr;
}

AutomationError toAutomationError(const QString& errorName, const QString& fullMessage, Phase phase)
{
    // An error's message is shown in a message box: a long one is cut, and says so.
    QString message = fullMessage.left(kErrorMessageLimit);
    if (fullMessage.size() > kErrorMessageLimit)
        message += QStringLiteral("… (%1 more characters not shown)").arg(fullMessage.size() - kErrorMessageLimit);
    if (const int number = serverErrorNumber(errorName); number >= 0)
        return AutomationError(number, message.toStdString());
    const std::string detail = message.toStdString() + " (" + errorName.toStdString() + ")";
    for (const auto& m : kMappings)
        if ((m.phase == Phase::Any || m.phase == phase) && errorName == QLatin1String(m.name))
            return AutomationError(m.code, detail);
    return AutomationError(phase == Phase::Create ? ErrorCode::CannotCreateObject : ErrorCode::ServerError, detail);
}

QString errorNameFor(const AutomationError& error)
{
    return QString::fromLatin1(kErrorPrefix) + QString::number(error.number());
}

} // namespace vantrel::dbus
