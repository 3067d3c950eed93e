// D-Bus captures in pcapng, the form `busctl capture` writes (link type
// DBUS, 231: each packet one whole marshalled message). A technician
// captures at a site; the utility reads the file at the office, and the
// site tap writes its own run in the same form. Plain C++ and libdbus-1.
//
// The reader walks the file's blocks itself: section headers in either
// byte order, interface descriptions (link type, snapshot length, the time
// resolution if_tsresol and offset if_tsoffset), enhanced and simple packet
// blocks; blocks of other kinds are passed over. A bad block is skipped and
// told (its offset and why), the packets around it are read. Where a
// block's length cannot be trusted, nothing after it can be found, so the
// reading ends there. Every packet is checked to be one whole D-Bus message
// (libdbus takes it apart) before it is given out.
#pragma once

#include "tap/tap_message.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::journal {
class CardMasker;
}

namespace vantrel::capture {

// LINKTYPE_DBUS: a packet holds one D-Bus message as on the wire.
inline constexpr std::uint16_t kLinkTypeDBus = 231;
// The largest D-Bus message (DBUS_MAXIMUM_MESSAGE_LENGTH, 128 MiB).
inline constexpr std::uint64_t kMaxMessage = std::uint64_t{128} << 20;
// The largest block read: a largest message and room for its block's fields.
inline constexpr std::uint64_t kMaxBlock = kMaxMessage + (std::uint64_t{64} << 10);
// The largest capture file read.
inline constexpr std::uint64_t kMaxFile = std::uint64_t{1} << 30;

struct Skipped {
    std::uint64_t offset = 0; // of the block in the file
    std::string reason;
};

struct CaptureRead {
    std::vector<tap::TapMessage> messages; // in the file's order
    // The first 10,000 bad blocks; beyond them one more entry counts the rest.
    std::vector<Skipped> skipped;
    std::string error; // the file could not be read, or is no pcapng at all: nothing read
};

CaptureRead readCapture(std::string_view fileBytes);
// The file at `path`: a regular file of at most kMaxFile bytes.
CaptureRead readCaptureFile(const std::string& path);

// The start of a capture: a section header (little-endian) and one
// interface of link type DBUS, no snapshot limit, microseconds.
std::string pcapngHeader();
// One enhanced packet block on that interface. A message over kMaxMessage
// is no D-Bus message: std::length_error. A time before 1970 is written as 0.
std::string pcapngPacket(const tap::TapMessage& message);

// The message with the card data in its string and byte array arguments
// (inside variants, arrays, structs and dictionaries too) masked by
// `masker`, marshalled again with its header as it was (serial, flags,
// fields), so it stays a valid message; libdbus builds it in the host's
// byte order, which a message from a host of the other order takes on,
// its values unchanged. The bytes as
// given when nothing is card data or they are no whole message. A message
// libdbus cannot build again (a file descriptor in it) is masked as raw
// bytes instead: no card number is left, though it may no longer be valid.
std::string maskedMessage(const std::string& bytes, journal::CardMasker& masker);

} // namespace vantrel::capture
