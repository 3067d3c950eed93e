#include "script.h"

#include "forecourt/customer_command.h"
#include "forecourt/fault_command.h"

#include "prompter.h"
#include "raw_call.h"

#include "server/automation_error.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace vantrel {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The next word of `rest`, which loses it and the one blank after it.
std::string_view nextWord(std::string_view& rest)
{
    const auto blank = rest.find(' ');
    std::string_view word = rest.substr(0, blank);
    rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
    return word;
}

// One line of UTF-8 text as bytes: each character the byte of its code.
std::string latin1FromUtf8(std::string_view line)
{
    std::string out;
    out.reserve(line.size());
    for (std::size_t i = 0; i < line.size();) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        const int length = c >= 0xF0 ? (c <= 0xF4 ? 4 : 0) : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || i + static_cast<std::size_t>(length) > line.size())
            throw ScriptError{0, "the line is not UTF-8 text (save the script as UTF-8)"};
        char32_t code = c & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(line[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                throw ScriptError{0, "the line is not UTF-8 text (save the script as UTF-8)"};
            code = (code << 6) | (next & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            throw ScriptError{0, "the line is not UTF-8 text (save the script as UTF-8)"};
        if (code > 0xFF) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", static_cast<unsigned>(code));
            throw ScriptError{0, std::string("the character ") + hex + " (" + std::string(line.substr(i, static_cast<std::size_t>(length))) +
                                     ") cannot be sent: only characters with codes 0 to 255 can (write \\xHH for a byte)"};
        }
        out += static_cast<char>(code);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

// TEXT of a line: escapes resolved, within the entry limit.
std::string entryText(std::string_view text)
{
    std::string out = unescapeText(text);
    if (out.size() > kEntryLimit)
        throw ScriptError{0, "the text is " + std::to_string(out.size()) + " bytes long; an entry holds at most " +
                                 std::to_string(kEntryLimit)};
    return out;
}

bool readNumber(std::string_view text, long& out)
{
    if (text.empty())
        return false;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), out);
    return res.ec == std::errc() && res.ptr == text.data() + text.size();
}

// The forms of "customer": the server checks the values themselves (which
// test card, which keys the entry takes); here only the shape of the line,
// read as the site reads it, with the form to write when it does not read.
void checkCustomerAction(std::string_view rest)
{
    using forecourt::CustomerVerb;
    const forecourt::CustomerParse parsed = forecourt::parseCustomerCommand(rest);
    if (parsed.command)
        return;
    if (!parsed.verb)
        throw ScriptError{0, "customer takes nozzle, card, key, cash or wash"};
    const std::string word = forecourt::customerVerbInfo(*parsed.verb).word;
    if (parsed.fault == forecourt::CustomerParse::Fault::Position)
        throw ScriptError{0, "customer " + word + " takes a position 1 to 32"};
    switch (*parsed.verb) {
    case CustomerVerb::Nozzle: throw ScriptError{0, "write customer nozzle P lift or customer nozzle P hang"};
    case CustomerVerb::Card:
        throw ScriptError{0, "write customer card P, customer card P N (a test card) or customer card P chip"};
    case CustomerVerb::Key:
        throw ScriptError{0, "write customer key P KEYS (digits and letters, or Enter, Cancel, Clear, Help)"};
    case CustomerVerb::Cash: throw ScriptError{0, "write customer cash P AMOUNT (such as 20 or 5.50)"};
    case CustomerVerb::Wash: break;
    }
    throw ScriptError{0, "write customer wash or customer wash CODE"};
}

} // namespace

std::optional<EscapeProblem> unescapeInto(std::string_view text, std::string& out)
{
    out.reserve(out.size() + text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 >= text.size())
            return EscapeProblem{i, 1, "a lone \\ ends the text (write \\\\ for a backslash)"};
        const char e = text[i + 1];
        switch (e) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '0': out += '\0'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            const int hi = i + 2 < text.size() ? hexDigit(text[i + 2]) : -1;
            const int lo = i + 3 < text.size() ? hexDigit(text[i + 3]) : -1;
            if (hi < 0 || lo < 0)
                return EscapeProblem{i, std::min<std::size_t>(hi < 0 ? 2 : 3, text.size() - i),
                                     "\\x needs two hexadecimal digits"};
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
            break;
        }
        default: return EscapeProblem{i, 2, std::string("unknown escape \\") + e};
        }
        ++i;
    }
    return std::nullopt;
}

std::string unescapeText(std::string_view text)
{
    std::string out;
    if (auto problem = unescapeInto(text, out))
        throw ScriptError{0, std::move(problem->reason)};
    return out;
}

std::string scriptText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        switch (c) {
        case '\r': out += "\\r"; continue;
        case '\n': out += "\\n"; continue;
        case '\t': out += "\\t"; continue;
        case '\0': out += "\\0"; continue;
        case '\\': out += "\\\\"; continue;
        default: break;
        }
        // A blank that ends the text would be lost to an editor that trims lines.
        if (c < 0x20 || c > 0x7E || (c == ' ' && i + 1 == bytes.size())) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
            continue;
        }
        out += static_cast<char>(c);
    }
    return out;
}

bool isServerErrorNumber(long number)
{
    switch (static_cast<ErrorCode>(number)) {
    case ErrorCode::Overflow:
    case ErrorCode::TypeMismatch:
    case ErrorCode::ServerError:
    case ErrorCode::ServerUnavailable:
    case ErrorCode::ReplyTooLarge:
    case ErrorCode::InternalError: return false;
    default: return number > 0;
    }
}

std::vector<ScriptCommand> parseScript(std::string_view content)
{
    if (content.substr(0, 3) == "\xEF\xBB\xBF")
        content.remove_prefix(3);
    std::vector<ScriptCommand> commands;
    int lineNumber = 0;
    bool getBefore = false; // a get line came before: "expect result" has something to check
    std::size_t start = 0;
    while (start <= content.size()) {
        auto end = content.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = content.size();
        const std::string_view raw = content.substr(start, end - start);
        // CR LF is one line end; a CR or an LF alone is one too.
        start = end + (content.substr(end, 2) == "\r\n" ? 2 : 1);
        ++lineNumber;
        const auto first = raw.find_first_not_of(" \t");
        if (first == std::string_view::npos || raw[first] == '#') {
            if (end == content.size())
                break;
            continue;
        }
        try {
            const std::string decoded = latin1FromUtf8(raw.substr(first));
            std::string_view rest = decoded;
            const std::string_view verb = nextWord(rest);
            ScriptCommand c{ScriptCommand::Kind::Select, lineNumber, {}, {}, 0, false};
            auto position = [&](ScriptCommand::Kind kind) {
                c.kind = kind;
                if (!readNumber(nextWord(rest), c.number) || c.number < 1 || c.number > 32 || !rest.empty())
                    throw ScriptError{0, std::string(verb) + " takes a selector button number 1 to 32"};
            };
            auto needTarget = [&](const char* what) {
                c.target = std::string(nextWord(rest));
                if (c.target.empty())
                    throw ScriptError{0, std::string(verb) + " needs " + what};
            };
            if (verb == "select") {
                position(ScriptCommand::Kind::Select);
            } else if (verb == "focus") {
                position(ScriptCommand::Kind::Focus);
            } else if (verb == "doubleclick") {
                position(ScriptCommand::Kind::DoubleClick);
            } else if (verb == "unfocus") {
                c.kind = ScriptCommand::Kind::Unfocus;
                if (!rest.empty())
                    throw ScriptError{0, "unfocus takes nothing after it"};
            } else if (verb == "press") {
                c.kind = ScriptCommand::Kind::Press;
                needTarget("a control name");
                if (!rest.empty())
                    throw ScriptError{0, "press takes one control name"};
            } else if (verb == "type") {
                c.kind = ScriptCommand::Kind::Type;
                needTarget("a text box name");
                c.text = entryText(rest);
            } else if (verb == "answer") {
                c.kind = ScriptCommand::Kind::Answer;
                c.text = entryText(rest);
            } else if (verb == "cancel") {
                c.kind = ScriptCommand::Kind::Cancel;
                if (!rest.empty())
                    throw ScriptError{0, "cancel takes nothing after it"};
            } else if (verb == "reply") {
                c.kind = ScriptCommand::Kind::Reply;
                if (rest != "yes" && rest != "no")
                    throw ScriptError{0, "reply takes yes or no"};
                c.yes = rest == "yes";
            } else if (verb == "tick") {
                c.kind = ScriptCommand::Kind::Tick;
                needTarget("a timer name");
                c.number = 1;
                if (!rest.empty() && (!readNumber(rest, c.number) || c.number < 1))
                    throw ScriptError{0, "tick COUNT must be a whole number of at least 1"};
            } else if (verb == "expect") {
                const std::string_view what = nextWord(rest);
                if (what == "result") {
                    const std::string_view how = nextWord(rest);
                    if (how != "is" && how != "contains" && how != "type")
                        throw ScriptError{0, "write expect result is TEXT or expect result contains TEXT "
                                             "(or expect result type string|int16)"};
                    if (!getBefore)
                        throw ScriptError{0, "expect result checks the result of a get, and no get comes before it"};
                    if (how == "type") {
                        c.kind = ScriptCommand::Kind::ExpectResultType;
                        c.text = std::string(rest);
                        if (c.text != "string" && c.text != "int16")
                            throw ScriptError{0, "expect result type takes string or int16"};
                    } else {
                        c.kind = how == "is" ? ScriptCommand::Kind::ExpectResultIs : ScriptCommand::Kind::ExpectResultHas;
                        c.text = unescapeText(rest);
                    }
                } else if (what == "error") {
                    c.kind = ScriptCommand::Kind::ExpectError;
                    if (rest == "any")
                        c.number = kAnyServerError;
                    else if (!readNumber(rest, c.number) || c.number < 0)
                        throw ScriptError{0, "expect error takes an error number or any"};
                } else if (what == "member") {
                    c.kind = ScriptCommand::Kind::ExpectMember;
                    const std::string_view access = nextWord(rest);
                    if (access != "put" && access != "get" && access != "call")
                        throw ScriptError{0, "write expect member put|get|call NAME"};
                    c.access = access == "put" ? Access::Put : access == "get" ? Access::Get : Access::Call;
                    c.target = std::string(rest);
                    if (!isMemberName(c.target))
                        throw ScriptError{0, "expect member takes a member name (letters, digits and _)"};
                } else {
                    c.target = std::string(what);
                    const std::string_view how = nextWord(rest);
                    if (c.target.empty() || (how != "is" && how != "contains"))
                        throw ScriptError{0, "write expect BOX is TEXT, expect BOX contains TEXT or expect error NUMBER"};
                    c.kind = how == "is" ? ScriptCommand::Kind::ExpectIs : ScriptCommand::Kind::ExpectHas;
                    c.text = unescapeText(rest);
                }
            } else if (verb == "put" || verb == "get" || verb == "call") {
                c.kind = ScriptCommand::Kind::RawCall;
                c.access = verb == "put" ? Access::Put : verb == "get" ? Access::Get : Access::Call;
                readRawCall(c.access, rest, c.target, c.value);
                getBefore = getBefore || c.access == Access::Get;
            } else if (verb == "customer") {
                c.kind = ScriptCommand::Kind::Customer;
                c.text = std::string(rest);
                checkCustomerAction(rest);
            } else if (verb == "fault") {
                // Read as the site reads it; what the site has (its members) it says when the line runs.
                c.kind = ScriptCommand::Kind::Fault;
                c.text = std::string(rest);
                if (const auto parsed = forecourt::parseFaultCommand(rest); !parsed.command)
                    throw ScriptError{0, "fault: " + parsed.reason};
            } else {
                throw ScriptError{0, "unknown command \"" + std::string(verb) + "\""};
            }
            commands.push_back(std::move(c));
        } catch (ScriptError& e) {
            e.line = lineNumber;
            throw;
        }
        if (end == content.size())
            break;
    }
    return commands;
}

} // namespace vantrel
