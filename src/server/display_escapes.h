// The control sequences of the reader displays and printers, in one place:
// the escape sequences of the Bennett, Gilbarco, Wayne and Wayne iX CAT
// display formats (graphic mode, codes, fonts, positioned text, soft keys),
// the scrolling and signature marks, and the printer's bar code sequence.
// Canned messages are built from these parts, and the embedded server reads
// displays with the same names.
#pragma once

#include <string>
#include <string_view>

namespace vantrel::esc {

inline constexpr char ESC = '\x1b'; // starts every escape sequence
inline constexpr char SUB = '\x1a'; // follows ESC in the "code 000" sequence
inline constexpr char DC3 = '\x13'; // starts a scrolling message
inline constexpr char ETX = '\x03'; // ends a bar code sequence
inline constexpr char QUOTE = '"';  // encloses font names and soft key labels

// The letter after ESC that names each display sequence.
inline constexpr char GraphicModeLetter = 'G';
inline constexpr char CodeLetter = 'A';
inline constexpr char FontLetter = 'F';
inline constexpr char PositionLetter = '=';
inline constexpr char SoftKeyLetter = 'S';
// The letter after ESC that starts a bar code on the printer.
inline constexpr char BarCodeLetter = 'B';

// Number of digits of a column and of a row in positioned text.
inline constexpr int kPositionDigits = 3;
// Digits after ESC SUB, and after ESC "A".
inline constexpr std::string_view kCode000 = "000";
inline constexpr int kCodeADigits = 2;
// Soft keys are numbered 1 to 8.
inline constexpr int kSoftKeys = 8;

// ESC "G": graphic mode.
std::string graphicMode();
// ESC "G" and the digit of the number of text lines (2 to 5 on the Wayne displays).
std::string graphicMode(int lines);
// ESC SUB "000".
std::string code000();
// ESC "A" and two digits: codeA(12) is ESC "A12".
std::string codeA(int number);
// ESC "F", the font name in double quotes, the size in digits.
std::string font(std::string_view name, int size);
// ESC "=", the column and the row in three zero-filled digits each, the text.
std::string positioned(int column, int row, std::string_view text);
// ESC "S", the key digit, the label in double quotes.
std::string softKey(int key, std::string_view label);
// DC3 and the text: a message that scrolls.
std::string scrolling(std::string_view text);
// "{SIG=" and the signature (eight hexadecimal digits), "}": the signed-message tag.
std::string signatureTag(std::string_view hexDigits);
inline constexpr std::string_view kSignatureOpen = "{SIG=";
inline constexpr char kSignatureClose = '}';
// ESC "B", the bar code characters, ETX.
std::string barCode(std::string_view characters);

} // namespace vantrel::esc
