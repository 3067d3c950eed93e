// The value of a composed call seen three ways, each editable, each turned
// back into the exact bytes it stands for. Plain C++: the compose window
// shows these texts and marks the problems where they stand.
//
// - Text: the script escapes (\r \n \t \0 \\ \xHH, session/script.h) for
//   every control byte, the backslash and every byte above 126; each "\n"
//   is followed by a line break that is only layout. Reading skips line
//   breaks (type \n for an LF) and refuses a character above 255.
// - Hex: two hexadecimal digits a byte, sixteen bytes a line; reading
//   ignores blanks and line breaks, and refuses anything but digits.
// - Lines: the value cut into key=value lines at each LF, as the record
//   inspector reads a record, with each line's end (CR LF, LF or none) and
//   whether one NUL ends the value.
//
// Editor texts are UTF-16, so that a position here is a position in the
// editor (a character above U+FFFF takes two).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::compose {

// Where a text cannot be read: `length` characters from `at`, and why.
struct Problem {
    std::size_t at = 0;
    std::size_t length = 0;
    std::string reason; // UTF-8
    bool operator==(const Problem&) const = default;
};

// The bytes a text stands for, and its problems in the order they stand
// (none: the bytes are whole).
struct ReadBytes {
    std::string bytes;
    std::vector<Problem> problems;
    bool ok() const { return problems.empty(); }
};

std::u16string textOf(std::string_view bytes);
ReadBytes readText(std::u16string_view text);

std::u16string hexOf(std::string_view bytes);
ReadBytes readHex(std::u16string_view hex);

enum class LineEnd { CrLf, Lf, None };

// One line: key=value, or a line without "=" (`equals` false), which is all
// `value` (a key given anyway is written before it). Keys and values hold
// exact bytes.
struct Line {
    std::string key;
    bool equals = false;
    std::string value;
    LineEnd end = LineEnd::CrLf;
    bool operator==(const Line&) const = default;
};

struct Lines {
    std::vector<Line> lines;
    bool finalNul = false; // one NUL after the last line
    bool operator==(const Lines&) const = default;
};

// A NUL inside the value stays a byte of its line: only the last byte, a
// NUL, is the final one.
Lines linesOf(std::string_view bytes);
std::string bytesOf(const Lines& lines);

// "CR LF", "LF", "none": the words of the inspector's table.
const char* lineEndName(LineEnd end);

// A byte as the Insert byte picker names it: its number (0..255, or 0x and
// hex digits), its control mark's name in any case ("ESC", "nul"), a single
// character of Latin-1, or one of byteLabel's labels; nothing for any other
// text. Blanks around it are ignored.
std::optional<unsigned char> byteNamed(std::string_view name);
// How the picker lists a byte, Latin-1: "27  0x1B  ESC", "65  0x41  A",
// "160  0xA0" (a byte with no glyph of its own shows none).
std::string byteLabel(unsigned char byte);

} // namespace vantrel::compose
