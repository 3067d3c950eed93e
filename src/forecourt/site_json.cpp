#include "site_json.h"

#include "text_helpers.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace vantrel::forecourt {

const JsonValue* JsonValue::member(std::string_view key) const
{
    for (const auto& [name, value] : members)
        if (name == key)
            return &value;
    return nullptr;
}

const char* jsonKindName(JsonValue::Kind kind)
{
    switch (kind) {
    case JsonValue::Kind::Null: return "null";
    case JsonValue::Kind::Bool: return "true or false";
    case JsonValue::Kind::Number: return "a number";
    case JsonValue::Kind::String: return "a string";
    case JsonValue::Kind::Array: return "a list";
    case JsonValue::Kind::Object: return "an object";
    }
    return "?";
}

namespace {

// Thrown inside the reader only; parseJson turns it into its answer.
struct Stop {
    std::string reason;
    int line = 0, column = 0; // 0: where the reader stands
};

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    JsonValue document()
    {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF")
            m_at = 3; // a byte order mark some editors write
        skipBlanks();
        JsonValue value = readValue(0);
        skipBlanks();
        if (m_at < m_text.size())
            stop("the file goes on after its one object, with " + shown());
        return value;
    }

    int line() const { return m_line; }
    int column() const { return static_cast<int>(m_at - m_lineStart) + 1; }

private:
    [[noreturn]] static void stop(std::string reason, int line = 0, int column = 0)
    {
        throw Stop{std::move(reason), line, column};
    }

    bool atEnd() const { return m_at >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_at]; }

    // What stands at the reading point, for a reason.
    std::string shown() const
    {
        if (atEnd())
            return "the end of the file";
        const auto c = static_cast<unsigned char>(m_text[m_at]);
        if (c < 32 || c > 126)
            return "the byte " + std::to_string(c);
        return std::string("'") + m_text[m_at] + "'";
    }

    void advance()
    {
        if (m_text[m_at] == '\n') {
            ++m_line;
            m_lineStart = m_at + 1;
        }
        ++m_at;
    }

    void skipBlanks()
    {
        while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\r' || peek() == '\n'))
            advance();
    }

    void expect(char c, const std::string& where)
    {
        if (peek() != c)
            stop(std::string("'") + c + "' expected " + where + ", not " + shown());
        advance();
    }

    JsonValue readValue(int depth)
    {
        if (depth >= kDeepestSiteNesting)
            stop("the values nest deeper than " + std::to_string(kDeepestSiteNesting) + " levels");
        JsonValue value;
        value.line = m_line;
        value.column = column();
        const char c = peek();
        if (c == '{')
            readObject(value, depth);
        else if (c == '[')
            readArray(value, depth);
        else if (c == '"') {
            value.kind = JsonValue::Kind::String;
            value.text = readString();
        } else if (c == '-' || isAsciiDigit(c))
            readNumber(value);
        else if (readWord("true"))
            value.kind = JsonValue::Kind::Bool, value.boolean = true;
        else if (readWord("false"))
            value.kind = JsonValue::Kind::Bool;
        else if (readWord("null"))
            value.kind = JsonValue::Kind::Null;
        else
            stop("a value expected, not " + shown());
        return value;
    }

    bool readWord(std::string_view word)
    {
        if (m_text.substr(m_at, word.size()) != word)
            return false;
        m_at += word.size();
        return true;
    }

    // The items of an object or a list up to `close`, each read by `readOne`,
    // with a comma between them; `what` names an item in the reason.
    template <class ReadOne>
    void readItems(char close, const char* what, ReadOne readOne)
    {
        advance(); // the opening bracket
        skipBlanks();
        if (peek() == close) {
            advance();
            return;
        }
        for (;;) {
            skipBlanks();
            readOne();
            skipBlanks();
            if (peek() == ',') {
                advance();
                continue;
            }
            if (peek() == close) {
                advance();
                return;
            }
            stop(std::string("',' or '") + close + "' expected after " + what + ", not " + shown());
        }
    }

    void readObject(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Object;
        readItems('}', "a member of the object", [&] {
            if (peek() != '"')
                stop("a key in double quotes expected, not " + shown());
            const int keyLine = m_line, keyColumn = column();
            std::string key = readString();
            if (value.member(key))
                stop("the key " + quotedForReason(key) + " is given twice in this object", keyLine, keyColumn);
            skipBlanks();
            expect(':', "after the key " + quotedForReason(key));
            skipBlanks();
            value.members.push_back(JsonMember{std::move(key), readValue(depth + 1)});
        });
    }

    void readArray(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Array;
        readItems(']', "an item of the list", [&] { value.items.push_back(readValue(depth + 1)); });
    }

    void readNumber(JsonValue& value)
    {
        const std::size_t start = m_at;
        auto digits = [this] {
            const std::size_t from = m_at;
            while (isAsciiDigit(peek()))
                advance();
            return m_at > from;
        };
        if (peek() == '-')
            advance();
        if (peek() == '0')
            advance();
        else if (!digits())
            stop("a digit expected in the number, not " + shown());
        if (peek() == '.') {
            advance();
            if (!digits())
                stop("a digit expected after the decimal point, not " + shown());
        }
        if (peek() == 'e' || peek() == 'E') {
            advance();
            if (peek() == '+' || peek() == '-')
                advance();
            if (!digits())
                stop("a digit expected in the exponent, not " + shown());
        }
        if (isAsciiDigit(peek()))
            stop("a number does not start with 0 and go on with digits");
        value.kind = JsonValue::Kind::Number;
        value.text = std::string(m_text.substr(start, m_at - start));
        const auto res = std::from_chars(value.text.data(), value.text.data() + value.text.size(), value.number);
        if (res.ec != std::errc() || !std::isfinite(value.number))
            stop("the number " + escapedForReason(value.text, kQuotedForReason) + " is too large");
    }

    unsigned readHex4()
    {
        unsigned code = 0;
        for (int i = 0; i < 4; ++i, advance()) {
            const char c = peek();
            const int digit = isAsciiDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
            if (digit < 0)
                stop("four hexadecimal digits expected after \\u, not " + shown());
            code = code * 16 + static_cast<unsigned>(digit);
        }
        return code;
    }

    static void appendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string readString()
    {
        advance(); // "
        std::string out;
        for (;;) {
            if (atEnd())
                stop("the string has no closing '\"'");
            const char c = peek();
            if (c == '"') {
                advance();
                return out;
            }
            if (static_cast<unsigned char>(c) < 32)
                stop("a string cannot hold " + shown() + " (a line end needs \\n)");
            advance();
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = peek();
            const std::string_view simple = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
            if (const auto at = simple.find(e); at != std::string_view::npos && !atEnd()) {
                out += meant[at];
                advance();
            } else if (e == 'u') {
                advance();
                unsigned code = readHex4();
                if (code >= 0xD800 && code < 0xDC00 && readWord("\\u")) {
                    const unsigned low = readHex4();
                    if (low < 0xDC00 || low >= 0xE000)
                        stop(hex4(code) + " is half a character without its other half");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xD800 && code < 0xE000) {
                    stop("a \\u escape is half a character without its other half");
                }
                appendUtf8(out, code);
            } else {
                stop("\\" + (atEnd() ? std::string() : escapedForReason(std::string_view(&e, 1), 1)) +
                     " is no escape a JSON string has");
            }
        }
    }

    // "\ud800": a code as a JSON escape writes it.
    static std::string hex4(unsigned code)
    {
        char text[8];
        std::snprintf(text, sizeof text, "\\u%04x", code & 0xFFFFu);
        return text;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
    std::size_t m_lineStart = 0;
    int m_line = 1;
};

// The code point of the UTF-8 sequence at `text[at]` and its length; length 0 for no UTF-8.
std::pair<unsigned, std::size_t> utf8At(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    if (lead < 0x80)
        return {lead, 1};
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || at + length > text.size())
        return {0, 0};
    unsigned code = lead & (0x7Fu >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {0, 0};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and codes past U+10FFFF are no UTF-8.
    static constexpr unsigned kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length] || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF)
        return {0, 0};
    return {code, length};
}

bool controlCode(unsigned code)
{
    return code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0x061C || (code >= 0x200E && code <= 0x200F) ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
}

} // namespace

std::string escapedForReason(std::string_view text, std::size_t longest)
{
    std::string out;
    std::size_t shown = 0;
    for (std::size_t at = 0; at < text.size(); ++shown) {
        if (shown == longest)
            return out + "\u2026";
        const auto [code, length] = utf8At(text, at);
        char escape[16];
        if (length == 0) {
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(text[at]));
            out += escape;
            ++at;
            continue;
        }
        if (code == '"' || code == '\\') {
            out += '\\';
            out += static_cast<char>(code);
        } else if (controlCode(code)) {
            std::snprintf(escape, sizeof escape, "\\u%04x", code);
            out += escape;
        } else {
            out.append(text.substr(at, length));
        }
        at += length;
    }
    return out;
}

std::string quotedForReason(std::string_view text) { return "\"" + escapedForReason(text, kQuotedForReason) + "\""; }

JsonParse parseJson(std::string_view text)
{
    JsonParse result;
    if (text.size() > kLargestSiteFile) {
        result.line = 1, result.column = 1;
        result.reason = "the file has " + std::to_string(text.size()) + " bytes; a site file has at most " +
                        std::to_string(kLargestSiteFile);
        return result;
    }
    Reader reader(text);
    try {
        result.value = reader.document();
    } catch (const Stop& stop) {
        result.line = stop.line ? stop.line : reader.line();
        result.column = stop.line ? stop.column : reader.column();
        result.reason = stop.reason;
    }
    return result;
}

} // namespace vantrel::forecourt
