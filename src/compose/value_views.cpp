#include "value_views.h"

#include "inspector/control_marks.h"
#include "inspector/copy_forms.h"
#include "inspector/record_table.h"
#include "session/script.h"

#include "server/ascii_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vantrel::compose {

namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A line break the editor holds: layout only, never a byte.
bool isLayoutBreak(char16_t c) { return c == u'\n' || c == u'\r' || c == u'\u2029' || c == u'\u2028'; }

// The character at `at` (a pair of surrogates as one) and how many units it takes.
char32_t characterAt(std::u16string_view text, std::size_t at, std::size_t& units)
{
    units = 1;
    const char16_t c = text[at];
    if (isHighSurrogate(c) && at + 1 < text.size() && isLowSurrogate(text[at + 1])) {
        units = 2;
        return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[at + 1]) - 0xDC00);
    }
    return c;
}

// "U+20AC" for a character a message names.
std::string codeName(char32_t code)
{
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
    return name;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

std::string textOfLine(const Line& line) { return line.key + (line.equals ? "=" : "") + line.value; }

// Adds `text` at the end of the line, as if it had been there when the
// line was cut: its first "=" splits a line that had none.
void appendText(Line& line, std::string_view text)
{
    if (line.equals) {
        line.value += text;
        return;
    }
    const auto equals = text.find('=');
    if (equals == std::string_view::npos) {
        line.value += text;
        return;
    }
    line.key = line.key + line.value + std::string(text.substr(0, equals));
    line.value = std::string(text.substr(equals + 1));
    line.equals = true;
}

Line lineOf(const inspector::RecordRow& row)
{
    const auto has = [&row](const char* oddity) {
        return std::find(row.oddities.begin(), row.oddities.end(), oddity) != row.oddities.end();
    };
    Line line;
    line.key = row.key;
    line.value = row.value;
    line.equals = !has(inspector::kNoEquals) && !has(inspector::kEmptyLine);
    line.end = row.lineEnd == inspector::kLineEndCrLf ? LineEnd::CrLf
               : row.lineEnd == inspector::kLineEndLf ? LineEnd::Lf
                                                      : LineEnd::None;
    return line;
}

} // namespace

std::u16string textOf(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size() + bytes.size() / 4);
    // Each LF's escape ends an editor line, so that a record reads line by line.
    while (!bytes.empty()) {
        const auto lf = bytes.find('\n');
        const std::string_view part = bytes.substr(0, lf);
        for (const char c : scriptText(part))
            text += static_cast<char16_t>(static_cast<unsigned char>(c));
        if (lf == std::string_view::npos)
            break;
        text += u"\\n\n";
        bytes.remove_prefix(lf + 1);
    }
    return text;
}

ReadBytes readText(std::u16string_view text)
{
    ReadBytes read;
    // The characters as bytes, each with the position it came from.
    std::string latin;
    std::vector<std::size_t> origin;
    latin.reserve(text.size());
    origin.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size();) {
        std::size_t units = 1;
        const char32_t c = characterAt(text, i, units);
        if (c > 0xFF) {
            read.problems.push_back({i, units, "the character " + codeName(c) +
                                                   " cannot be sent: only characters with codes 0 to 255 can "
                                                   "(write \\xHH for a byte)"});
        } else if (!isLayoutBreak(static_cast<char16_t>(c))) {
            latin += static_cast<char>(c);
            origin.push_back(i);
        }
        i += units;
    }
    origin.push_back(text.size());
    // Every bad escape is told, not the first alone: reading goes on after each.
    std::size_t from = 0;
    while (auto bad = unescapeInto(std::string_view(latin).substr(from), read.bytes)) {
        const std::size_t first = from + bad->at;
        const std::size_t last = first + std::max<std::size_t>(bad->length, 1) - 1;
        read.problems.push_back({origin[first], origin[last] - origin[first] + 1, bad->reason});
        from = last + 1;
    }
    std::stable_sort(read.problems.begin(), read.problems.end(),
                     [](const Problem& a, const Problem& b) { return a.at < b.at; });
    return read;
}

std::u16string hexOf(std::string_view bytes)
{
    std::u16string hex;
    constexpr std::size_t kPerLine = 16;
    for (std::size_t at = 0; at < bytes.size(); at += kPerLine) {
        if (at)
            hex += u'\n';
        for (const char c : inspector::copyAsHex(bytes.substr(at, kPerLine)))
            hex += static_cast<char16_t>(c);
    }
    return hex;
}

ReadBytes readHex(std::u16string_view hex)
{
    ReadBytes read;
    int high = -1;          // the first digit of a byte, while its second is awaited
    std::size_t highAt = 0; // where it stands
    for (std::size_t i = 0; i < hex.size();) {
        std::size_t units = 1;
        const char32_t c = characterAt(hex, i, units);
        const int digit = c <= 0xFFFF ? hexValue(static_cast<char16_t>(c)) : -1;
        if (digit >= 0) {
            if (high < 0) {
                high = digit;
                highAt = i;
            } else {
                read.bytes += static_cast<char>(high * 16 + digit);
                high = -1;
            }
        } else if (c != u' ' && c != u'\t' && !isLayoutBreak(static_cast<char16_t>(c))) {
            const std::string shown =
                c >= 0x21 && c <= 0x7E ? "\"" + std::string(1, static_cast<char>(c)) + "\"" : codeName(c);
            read.problems.push_back({i, units, shown + " is no hexadecimal digit (0 to 9, A to F)"});
        }
        i += units;
    }
    // A digit left over is a problem of its own only where every other character is right:
    // beside a bad one, the bad one is what was mistyped.
    if (high >= 0 && read.problems.empty())
        read.problems.push_back({highAt, 1, "a byte takes two hexadecimal digits: this one stands alone"});
    std::stable_sort(read.problems.begin(), read.problems.end(),
                     [](const Problem& a, const Problem& b) { return a.at < b.at; });
    return read;
}

Lines linesOf(std::string_view bytes)
{
    Lines out;
    out.finalNul = !bytes.empty() && bytes.back() == '\0';
    const std::string_view body = bytes.substr(0, bytes.size() - (out.finalNul ? 1 : 0));
    // The inspector cuts a record at its first NUL; here a NUL inside the
    // value is a byte of its line, so the value is cut into lines between
    // its NULs and each NUL joins the line it stands in.
    bool open = false; // the last line has no end yet: what follows continues it
    for (std::size_t from = 0;;) {
        const auto nul = body.find('\0', from);
        const std::string_view piece = body.substr(from, nul == std::string_view::npos ? nul : nul - from);
        for (const inspector::RecordRow& row : inspector::readRecordTable(piece).rows) {
            Line line = lineOf(row);
            if (open) {
                appendText(out.lines.back(), textOfLine(line));
                out.lines.back().end = line.end;
            } else {
                out.lines.push_back(std::move(line));
            }
            open = out.lines.back().end == LineEnd::None;
        }
        if (nul == std::string_view::npos)
            break;
        if (!open)
            out.lines.push_back({{}, false, {}, LineEnd::None});
        appendText(out.lines.back(), std::string_view("\0", 1));
        open = out.lines.back().end == LineEnd::None;
        from = nul + 1;
    }
    return out;
}

std::string bytesOf(const Lines& lines)
{
    std::string bytes;
    for (const Line& line : lines.lines) {
        bytes += textOfLine(line);
        bytes += line.end == LineEnd::CrLf ? "\r\n" : line.end == LineEnd::Lf ? "\n" : "";
    }
    if (lines.finalNul)
        bytes += '\0';
    return bytes;
}

const char* lineEndName(LineEnd end)
{
    switch (end) {
    case LineEnd::CrLf: return inspector::kLineEndCrLf;
    case LineEnd::Lf: return inspector::kLineEndLf;
    case LineEnd::None: break;
    }
    return inspector::kLineEndNone;
}

std::optional<unsigned char> byteNamed(std::string_view name)
{
    const auto first = name.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return name.size() == 1 ? std::optional<unsigned char>(' ') : std::nullopt;
    name = name.substr(first, name.find_last_not_of(' ') - first + 1);
    if (name.size() == 1 && !(name[0] >= '0' && name[0] <= '9'))
        return static_cast<unsigned char>(name[0]);
    // A label: its number leads.
    const auto gap = name.find("  ");
    const std::string_view word = gap == std::string_view::npos ? name : name.substr(0, gap);
    unsigned value = 256;
    const bool hex = startsWithIgnoreCase(word, "0x");
    const std::string_view digits = hex ? word.substr(2) : word;
    const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), value, hex ? 16 : 10);
    if (!digits.empty() && res.ec == std::errc() && res.ptr == digits.data() + digits.size())
        return value <= 0xFF ? std::optional<unsigned char>(static_cast<unsigned char>(value)) : std::nullopt;
    if (equalsIgnoreCase(word, "blank"))
        return static_cast<unsigned char>(' ');
    for (unsigned c = 0; c <= 0xFF; ++c)
        if (const std::string_view mark = inspector::markName(static_cast<unsigned char>(c));
            !mark.empty() && equalsIgnoreCase(mark, word))
            return static_cast<unsigned char>(c);
    return std::nullopt;
}

std::string byteLabel(unsigned char byte)
{
    char label[24];
    std::snprintf(label, sizeof label, "%u  0x%02X", static_cast<unsigned>(byte), static_cast<unsigned>(byte));
    std::string text = label;
    if (const std::string_view mark = inspector::markName(byte); !mark.empty())
        text += "  " + std::string(mark);
    else if (byte == ' ')
        text += "  blank";
    else if (byte < 0x7F || byte > 0xA0)
        text += "  " + std::string(1, static_cast<char>(byte));
    return text;
}

} // namespace vantrel::compose
