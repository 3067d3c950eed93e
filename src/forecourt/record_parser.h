// Tolerant reading of command records, and the one rule for where a record
// ends. CR LF or LF line ends, blanks around "=", a bare first word (car
// wash requests) and continuation lines without a key (display and print
// messages) are all understood. What cannot be read raises a numbered error.
//
// Where a record ends, the same for every member that takes one:
// - A record ends at its first NUL. Members that take a command record
//   need that NUL (MissingTerminator, 1002, without it); display messages
//   may also end without one, after CR LF, after CR LF and a bare LF, or
//   after their last character.
// - Nothing may follow that NUL: not a second NUL, not any other byte.
//   Since the first NUL ends the record, a NUL inside a value is the same
//   fault. Both are refused with MalformedRecord (1004).
// - A key that may stand only once in a record (the position keys, and
//   every key read with find or require) is refused with MalformedRecord
//   when it stands twice, rather than one of the two being used.
// recordBody applies the first two points; parseRecord and the reader
// field functions read only what recordBody leaves.
#pragma once

#include "server/ascii_text.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::forecourt {

struct RecordLine {
    std::string key;   // empty for a line without "="
    std::string value; // the value, or the whole line when it has no key
    bool hasKey = false;
};

struct ParsedRecord {
    std::vector<RecordLine> lines;
    bool terminated = false; // ended by NUL

    // The value of the line with this key (keys compare case-insensitively).
    // A key that stands on two lines raises MalformedRecord.
    std::optional<std::string> find(std::string_view key) const;
    // As find, but a missing key raises MissingKey.
    std::string require(std::string_view key) const;
    // The first line, whatever it is (the request word of car wash records).
    std::string firstLine() const;
    // Refuses, with MalformedRecord, any key that stands twice, except the
    // keys of groups that a record may repeat (a price record's hose groups).
    void refuseRepeatedKeys(std::initializer_list<std::string_view> groupKeys = {}) const;
};

// The record up to its first NUL, the NUL left out. Bytes after that NUL
// raise MalformedRecord; with requireNul, a record without NUL raises
// MissingTerminator.
std::string_view recordBody(std::string_view record, bool requireNul);

// Splits the body of a record (see recordBody) into lines.
ParsedRecord parseRecord(std::string_view record, bool requireNul);

// Refuses, with MalformedRecord, a line whose key is none of `keys` and a
// line without a key that is not blank; `what` names the record in the
// message ("price" gives "the price record has ...").
void refuseUnknownLines(const ParsedRecord& record, std::initializer_list<std::string_view> keys, const char* what);

// Reads "01".."32" (blanks allowed around it); anything else raises
// PositionOutOfRange. With allowAll, "0" is accepted and gives 0.
int parsePosition(std::string_view text, bool allowAll = false);

// ASCII letters only: keys and member names are plain ASCII, and the
// comparison must not depend on the locale.
using vantrel::asciiLower;
using vantrel::equalsIgnoreCase;
std::string trim(std::string_view text);

} // namespace vantrel::forecourt
