// Building blocks of command records. A record is a std::string of bytes
// 0..255: key=value lines ended by CR LF (a few records use LF alone), the
// whole ended by one NUL. Handlers build every record from these blocks so
// that line ends, zero-filled numbers and packet counts are written one way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::rec {

inline constexpr std::string_view CRLF = "\r\n";
inline constexpr char LF = '\n';
inline constexpr char NUL = '\0';
inline constexpr char ESC = '\x1b';

// record + text + CR LF
void appendLine(std::string& record, std::string_view text);
// record + key + value + CR LF
void appendLine(std::string& record, std::string_view key, std::string_view value);
// record + text + LF
void appendLfLine(std::string& record, std::string_view text);
// record + NUL
void appendNul(std::string& record);

// The value rounded to a whole number (halves away from zero) and written
// with at least `digits` digits, zero-filled; a longer value is written
// whole. zeroFilled(3, 3) is "003", zeroFilled(1234567, 6) is "1234567",
// zeroFilled(12.5, 6) is "000013", zeroFilled(-5, 3) is "-005". A value
// that is not finite raises Overflow (6): handlers refuse it before.
std::string zeroFilled(double value, int digits);

// Two-digit position text, "01".."32".
std::string positionText(int position);

// The output packet record: "ReaderPosition=" line, "PacketCount=" with the
// data length zero-filled to `countDigits`, "PacketData=" with the data, each
// ended by CR LF, then NUL.
std::string packetRecord(std::string_view position, std::string_view data, int countDigits = 3);

// How a leading number is read: an optional sign, digits and one decimal
// point, up to the first character that does not fit; no number reads as 0,
// a number too large for a double as infinity.
struct NumberReading {
    bool blanksAnywhere = true; // blanks, tabs, line feeds skipped inside the number too, not only before it
    bool exponent = false;      // an E or D exponent ("1E3") may follow
};
double readLeadingNumber(std::string_view text, const NumberReading& how);

// The leading number of a prompt answer: blanks, tabs and line feeds are
// skipped wherever they stand, and no exponent is read.
double readPromptNumber(std::string_view text);

// Signed-number form: one blank before a zero or positive number, "-"
// before a negative one, no leading zero before a fraction:
// 15 -> " 15", 0.5 -> " .5", -2.5 -> "-2.5", 0 -> " 0". Not finite: Overflow.
std::string signedNumber(double value);

// The message for an answer whose number is too large to be sent.
inline constexpr const char* kNumberTooLarge =
    "The number is too large to be sent (it is beyond the range of the numbers a record can carry). Nothing was sent.";

} // namespace vantrel::rec
