#include "service_calls.h"

#include "call_log.h"

#include "forecourt/forecourt_server.h"
#include "forecourt/site_bounds.h"
#include "journal/card_mask.h"
#include "server/control_pictures.h"
#include "server/conversions.h"

#include "wire_contract.h"

#include <QDBusVariant>

#include <utility>

namespace vantrel::dbus::served {

namespace {
// The largest answer the service sends: a reply must stay under the
// message limit of the bus (32 MiB on a system bus), with room for its header.
constexpr std::size_t kLargestReply = std::size_t(24) << 20;
} // namespace

void append(std::string& line, std::initializer_list<std::string_view> parts)
{
    for (const std::string_view part : parts)
        line += part;
}

QDBusMessage refuse(const QDBusMessage& message, QDBusError::ErrorType type, const QString& text, std::string& line,
                    const std::string& logged)
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

QDBusMessage refuseInterface(const QDBusMessage& message, const QString& interface, std::string& line)
{
    return refuse(message, QDBusError::UnknownInterface, QStringLiteral("No interface '%1' here").arg(interface), line);
}

// The service log shows a text with its card data masked as the files the
// utility writes have it, then cut at kLoggedBytes, so a line stays a few
// hundred bytes whatever was sent, and no card number, track data or PIN
// reaches a terminal or the journal. It masks the whole text before it
// cuts, so a card number across the cut is masked too.
namespace {
// The shown part of a text, and what says it was cut ("… (381 bytes)").
std::pair<std::string, std::string> loggedPieces(std::string_view bytes)
{
    const std::string masked = journal::maskCardData(bytes);
    std::string shown = toControlPictures(std::string_view(masked).substr(0, kLoggedBytes));
    if (masked.size() <= kLoggedBytes)
        return {std::move(shown), {}};
    return {std::move(shown), "\u2026 (" + std::to_string(bytes.size()) + " bytes)"};
}

} // namespace

std::string loggedCut(std::string_view bytes)
{
    auto [shown, cut] = loggedPieces(bytes);
    return shown + cut;
}

std::string loggedValue(const Value& value)
{
    // Numbers in plain decimal, "True"/"False", "(empty)".
    if (value.type() == Value::Type::Empty)
        return "(empty)";
    if (value.type() != Value::Type::String)
        return toText(value);
    auto [shown, cut] = loggedPieces(value.asString());
    return "\"" + shown + "\"" + cut;
}

std::string loggedError(const AutomationError& error)
{
    return "error " + std::to_string(error.number()) + ": " + loggedCut(error.description());
}

void checkArgumentSize(const QVariant& argument, const char* member, std::size_t largest)
{
    const QVariant inner = qvariant_cast<QDBusVariant>(argument).variant();
    if (inner.typeId() == QMetaType::QByteArray)
        forecourt::checkValueSize(member, static_cast<std::size_t>(inner.toByteArray().size()), largest);
    else if (inner.typeId() == QMetaType::QString)
        forecourt::checkValueSize(member, static_cast<std::size_t>(inner.toString().size()), largest);
}

void checkReplySize(const char* what, std::size_t size)
{
    if (size > kLargestReply)
        throw AutomationError(ErrorCode::ReplyTooLarge, std::string(what) + " would be " + forecourt::groupedNumber(size) +
                                                            " bytes; the service answers at most " +
                                                            forecourt::groupedNumber(kLargestReply));
}

} // namespace vantrel::dbus::served
