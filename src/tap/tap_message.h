// One D-Bus message as the site tap sees it: when it passed and its bytes,
// marshalled as on the wire (the form dbus_message_marshal gives and a
// capture's packet block holds). The live monitor and a capture file both
// give these, so one decoder serves both.
#pragma once

#include <cstdint>
#include <string>

namespace vantrel::tap {

struct TapMessage {
    std::int64_t usec = 0; // microseconds since the Unix epoch
    std::string bytes;     // the whole message: header, fields and body
};

} // namespace vantrel::tap
