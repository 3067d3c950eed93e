// What the inspector puts on the clipboard: a record as readable text, as
// hex, or as a C string literal that a developer pastes into a test. Each
// form keeps every byte; the record itself is not changed.
#pragma once

#include <string>
#include <string_view>

namespace vantrel::inspector {

// The bytes as Latin-1 text with each control byte written as its mark
// name in angle brackets ("<CR><LF>", "<ESC>", "<NUL>"), and a line break
// after each "<LF>" so that the lines of a record stay lines.
// Bytes 0x80..0xFF stay as they are (Latin-1).
std::string copyAsText(std::string_view bytes);

// Each byte as two upper-case hex digits, separated by single blanks: "41 42 0D 0A".
std::string copyAsHex(std::string_view bytes);

// A C (and C++) string literal holding exactly the bytes: printable ASCII as
// itself, \" \\ \t \r \n \0 escaped by name, every other byte as \xHH. Where
// the next character would run on into an escape (a hex digit after \xHH, an
// octal digit after \0, a '?' after '?' that could make a trigraph) the
// literal is closed and a new one opened: "\x1B" "1". After each \n that
// more than a final NUL follows, the literal is closed and continued on a
// new line, so a record reads line by line: "A=1\r\n"
// "B=2\r\n\0". An empty record gives "".
std::string copyAsCString(std::string_view bytes);

} // namespace vantrel::inspector
