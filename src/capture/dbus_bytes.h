// One marshalled D-Bus message taken apart with libdbus, checked to be
// exactly one whole message: what the header says it holds is what the
// bytes hold, and libdbus validates every field and argument.
#pragma once

#include "byte_order.h"

#include <dbus/dbus.h>

#include <memory>
#include <string>
#include <string_view>

namespace vantrel::capture {

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using MessagePtr = std::unique_ptr<DBusMessage, MessageUnref>;

// The message, or null and why not in `problem`.
MessagePtr demarshal(std::string_view bytes, std::string& problem);

// The byte order a message is marshalled in.
inline ByteOrder messageOrder(std::string_view message) { return ByteOrder{message[0] == 'B'}; }

// The length of the message header with its fields, up to the body (which
// starts at a multiple of 8), in the message's own byte order. The bytes
// are a message that demarshal took.
std::size_t headerLength(std::string_view message);

} // namespace vantrel::capture
