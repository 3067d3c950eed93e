// Tolerant reading of command records: CR LF or LF line ends, blanks around
// "=", a bare first word (car wash requests) and continuation lines without
// a key (display and print messages) are all understood. What cannot be
// read raises a numbered error.
#pragma once

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

    // The value of the first line with this key (keys compare case-insensitively).
    std::optional<std::string> find(std::string_view key) const;
    // As find, but a missing key raises MissingKey.
    std::string require(std::string_view key) const;
    // The first line, whatever it is (the request word of car wash records).
    std::string firstLine() const;
};

// Splits a record into lines. With requireNul, a record that does not end
// in NUL raises MissingTerminator. Bytes after the first NUL are refused.
ParsedRecord parseRecord(std::string_view record, bool requireNul);

// Reads "01".."32" (blanks allowed around it); anything else raises
// PositionOutOfRange. With allowAll, "0" is accepted and gives 0.
int parsePosition(std::string_view text, bool allowAll = false);

// ASCII letters only: keys and member names are plain ASCII, and the
// comparison must not depend on the locale.
constexpr char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool equalsIgnoreCase(std::string_view a, std::string_view b);
std::string trim(std::string_view text);

} // namespace vantrel::forecourt
