#include "copy_forms.h"

#include "control_marks.h"

namespace vantrel::inspector {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool isOctalDigit(char c) { return c >= '0' && c <= '7'; }

} // namespace

std::string copyAsText(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 4);
    for (const Segment& segment : splitMarked(bytes)) {
        if (segment.kind == Segment::Kind::Text) {
            text += segment.text;
            continue;
        }
        text += '<';
        text += segment.text;
        text += '>';
        if (segment.breakAfter)
            text += '\n';
    }
    return text;
}

std::string copyAsHex(std::string_view bytes)
{
    std::string hex;
    hex.reserve(bytes.size() * 3);
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (!hex.empty())
            hex += ' ';
        hex += kDigits[c >> 4];
        hex += kDigits[c & 0xF];
    }
    return hex;
}

std::string copyAsCString(std::string_view bytes)
{
    std::string literal = "\"";
    literal.reserve(bytes.size() * 2 + 2);
    // What the previous piece leaves open: a following character of this kind
    // would be read as part of it.
    enum class Open { Nothing, HexEscape, OctalEscape, QuestionMark } open = Open::Nothing;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char ch = bytes[i];
        const auto c = static_cast<unsigned char>(ch);
        const bool runsOn = (open == Open::HexEscape && isHexDigit(ch)) ||
                            (open == Open::OctalEscape && isOctalDigit(ch)) ||
                            (open == Open::QuestionMark && ch == '?');
        if (runsOn)
            literal += "\" \"";
        open = Open::Nothing;
        switch (ch) {
        case '"': literal += "\\\""; break;
        case '\\': literal += "\\\\"; break;
        case '\t': literal += "\\t"; break;
        case '\r': literal += "\\r"; break;
        case '\n':
            literal += "\\n";
            // A new line for the next line of the record, but not for its final NUL alone.
            if (i + 1 < bytes.size() && !(i + 2 == bytes.size() && bytes[i + 1] == '\0'))
                literal += "\"\n\"";
            break;
        case '\0':
            literal += "\\0";
            open = Open::OctalEscape;
            break;
        default:
            if (c >= 0x20 && c <= 0x7E) {
                literal += ch;
                if (ch == '?')
                    open = Open::QuestionMark;
            } else {
                literal += "\\x";
                literal += kDigits[c >> 4];
                literal += kDigits[c & 0xF];
                open = Open::HexEscape;
            }
        }
    }
    literal += '"';
    return literal;
}

} // namespace vantrel::inspector
