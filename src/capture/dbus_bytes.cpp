#include "dbus_bytes.h"

#include "capture.h"

namespace vantrel::capture {

namespace {

// The fixed part of a header: byte order, type, flags, version, body
// length, serial, the length of the fields array.
constexpr std::size_t kFixedHeader = 16;

} // namespace

MessagePtr demarshal(std::string_view bytes, std::string& problem)
{
    if (bytes.size() > kMaxMessage) {
        problem = "larger than a D-Bus message can be";
        return nullptr;
    }
    const int size = static_cast<int>(bytes.size());
    const int needed = dbus_message_demarshal_bytes_needed(bytes.data(), size);
    if (needed == 0) {
        problem = std::to_string(size) + " bytes are too few for a message header";
        return nullptr;
    }
    if (needed < 0) {
        problem = "the message header is not valid";
        return nullptr;
    }
    if (needed != size) {
        problem = "the header gives " + std::to_string(needed) + " bytes, the packet holds " + std::to_string(size);
        return nullptr;
    }
    DBusError error;
    dbus_error_init(&error);
    MessagePtr message(dbus_message_demarshal(bytes.data(), size, &error));
    if (!message) {
        problem = error.message ? error.message : "libdbus could not take the message apart";
        dbus_error_free(&error);
    }
    return message;
}

std::size_t headerLength(std::string_view message)
{
    return padded(kFixedHeader + messageOrder(message).u32(message, 12), 8);
}

} // namespace vantrel::capture
