#include "display_escapes.h"

#include "records.h"

namespace vantrel::esc {

namespace {
std::string escape(char letter) { return std::string{ESC, letter}; }
std::string quoted(std::string_view text) { return QUOTE + std::string(text) + QUOTE; }
} // namespace

std::string graphicMode() { return escape(GraphicModeLetter); }

std::string graphicMode(int lines) { return escape(GraphicModeLetter) + std::to_string(lines); }

std::string code000() { return std::string{ESC, SUB} + std::string(kCode000); }

std::string codeA(int number) { return escape(CodeLetter) + rec::zeroFilled(number, kCodeADigits); }

std::string font(std::string_view name, int size) { return escape(FontLetter) + quoted(name) + std::to_string(size); }

std::string positioned(int column, int row, std::string_view text)
{
    return escape(PositionLetter) + rec::zeroFilled(column, kPositionDigits) + rec::zeroFilled(row, kPositionDigits) +
           std::string(text);
}

std::string softKey(int key, std::string_view label) { return escape(SoftKeyLetter) + std::to_string(key) + quoted(label); }

std::string scrolling(std::string_view text) { return DC3 + std::string(text); }

std::string signatureTag(std::string_view hexDigits)
{
    return std::string(kSignatureOpen) + std::string(hexDigits) + kSignatureClose;
}

std::string barCode(std::string_view characters) { return escape(BarCodeLetter) + std::string(characters) + ETX; }

} // namespace vantrel::esc
