// The small text pieces the devices of the embedded forecourt share: the
// digit check of record values, the removal of line ends, and the joiner of
// key=value answers (CR LF between lines, none after the last).
#pragma once

#include <string>
#include <string_view>

namespace vantrel::forecourt {

// '0'..'9' only, whatever the locale.
constexpr bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
// True for one or more ASCII digits and nothing else.
bool allDigits(std::string_view text);

// `text` without every CR and LF at its end.
std::string_view withoutLineEnds(std::string_view text);
// `text` without one final LF or CR LF; a lone final CR stays.
std::string_view withoutFinalLineEnd(std::string_view text);

// text + (CR LF if text is not empty) + key + "=" + value
void addLine(std::string& text, std::string_view key, std::string_view value);

} // namespace vantrel::forecourt
