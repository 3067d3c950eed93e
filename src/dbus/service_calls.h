// What the served object's handlers share: refusals with their log ending,
// a call's argument as a Value, the log's view of texts, values and errors
// (card data masked, cut at kLoggedBytes), and the size checks on what comes
// in and what goes out.
#pragma once

#include "server/automation_error.h"
#include "server/value.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace vantrel::dbus::served {

// Appends the pieces of a log line.
void append(std::string& line, std::initializer_list<std::string_view> parts);

// The error reply of `type` with `text`; the log line ends with the error
// and `logged`, or the text cut for the log when `logged` is empty.
QDBusMessage refuse(const QDBusMessage& message, QDBusError::ErrorType type, const QString& text, std::string& line,
                    const std::string& logged = {});
// The reply to a call whose arguments are not `wanted`.
QDBusMessage refuseSignature(const QDBusMessage& message, const char* wanted, std::string& line);
// The reply to a call naming an interface the service does not serve.
QDBusMessage refuseInterface(const QDBusMessage& message, const QString& interface, std::string& line);

Value argumentValue(const QVariant& argument);

// A text, a value and an error as the log shows them.
std::string loggedCut(std::string_view bytes);
std::string loggedValue(const Value& value);
std::string loggedError(const AutomationError& error);

// A put value as it came, before anything converts it: a text larger than
// the member takes is refused without copying it.
void checkArgumentSize(const QVariant& argument, const char* member, std::size_t largest);
// Refuses an answer too large for the bus.
void checkReplySize(const char* what, std::size_t size);

} // namespace vantrel::dbus::served
