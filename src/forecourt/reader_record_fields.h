// Fields of reader records whose data may hold line breaks and binary
// bytes, so that a line-by-line reading would cut them: the message text of
// display, print and preload records, the key data of keypad records, and
// the packet data of output packet records.
#pragma once

#include "text_helpers.h"

#include <optional>
#include <string>
#include <string_view>

namespace vantrel::forecourt {

// Everything after "=" of the first line whose key is `key` (blanks around
// the key and before "=" allowed, case ignored), up to the end of the
// record's body (recordBody: the NUL left out, bytes after it refused);
// continuation lines, control characters and the final line end stay as
// they are.
std::optional<std::string> valueToEnd(std::string_view record, std::string_view key);

// The record up to the line that starts with `key=`, for the keyed lines
// that stand before a message; the whole record when there is no such line.
std::string_view linesBefore(std::string_view record, std::string_view key);

struct OutputPacket {
    int position = 0;
    std::string count; // the count as written, blanks trimmed; empty if there was no count line
    std::string data;  // the packet data, exact
};

// Reads an output packet record: a "ReaderPosition" line and a
// "PacketCount" line (blanks allowed around "="), then the data: everything
// after "PacketData=" (or, without that key, everything after the count
// line) up to the final CR LF before the NUL. The count is not checked
// against the data; canned records carry counts of their own. A record
// without a position raises MissingKey; a bad position PositionOutOfRange;
// a second position or count line before the data MalformedRecord.
OutputPacket readOutputPacket(std::string_view record);

} // namespace vantrel::forecourt
