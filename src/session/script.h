// The session script language, read into commands. A script is UTF-8 text
// (a byte order mark is skipped; lines end with LF, CR LF or CR); each
// character becomes the byte of the same code, as a typed character does,
// and characters above 255 are refused. One command per line; "#" starts a
// comment; TEXT is the rest of the line after one blank, with the escapes
// \r \n \t \0 \\ \xHH, at most kEntryLimit bytes. Reading checks every line
// before anything runs, so a script with a bad line runs nothing.
#pragma once

#include "server/automation_object.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

struct ScriptCommand {
    enum class Kind {
        Select,      // select N
        Focus,       // focus N
        DoubleClick, // doubleclick N
        Unfocus,     // unfocus
        Press,       // press CONTROL
        Type,        // type CONTROL TEXT
        Answer,      // answer TEXT / answer
        Cancel,      // cancel
        Reply,       // reply yes|no
        Tick,        // tick TIMER [COUNT]
        ExpectIs,    // expect BOX is TEXT
        ExpectHas,   // expect BOX contains TEXT
        ExpectError, // expect error NUMBER
        Customer,    // customer ACTION: what a customer does at the site (text holds ACTION)
        RawCall,     // put|get|call MEMBER [TYPE VALUE]: one member called by name (raw_call.h)
        ExpectResultIs,  // expect result is TEXT: the last get's result as text
        ExpectResultHas, // expect result contains TEXT
        Fault,       // fault FAULT: a fault set on the site, or cleared (text holds FAULT)
        ExpectResultType, // expect result type string|int16: the last get's result as its callers take it
        ExpectMember,     // expect member put|get|call NAME: the server offers NAME with that access
    };
    Kind kind;
    int line = 0;
    std::string target; // control, timer or box, as written ("Window.Name" or "Name")
    std::string text;   // TEXT with its escapes resolved
    long number = 0;    // selector position, tick count or error number
    bool yes = false;   // reply
    // RawCall: target holds the member, `value` the value put or the
    // argument of a get or call (none: a get or call without one).
    Access access = Access::Get;
    std::optional<Value> value = {};
};

// "expect error any": the number an ExpectError holds for any error the
// server numbered itself.
inline constexpr long kAnyServerError = -1;
// Whether an error number is one a server gave (any number but those that
// say the call got no numbered answer: an untyped server error, a server
// gone or not answering in time, an answer too large, a conversion or an
// internal error of the utility).
bool isServerErrorNumber(long number);

struct ScriptError : std::runtime_error {
    ScriptError(int at, std::string why) : std::runtime_error(why), line(at), reason(std::move(why)) {}
    int line;
    std::string reason;
};

// Throws ScriptError for the first line that is not a command.
std::vector<ScriptCommand> parseScript(std::string_view content);
// Resolves the escapes of TEXT; throws ScriptError (line 0) for a bad one.
std::string unescapeText(std::string_view text);
// A bad escape of TEXT: the offset of its backslash, how many characters it
// takes (the backslash and what follows it that belongs to the escape), and
// why it is refused.
struct EscapeProblem {
    std::size_t at = 0;
    std::size_t length = 0;
    std::string reason;
};
// Resolves the escapes of `text` onto the end of `out`, up to the first bad
// one, which it returns; nothing when the whole text was read. For an editor
// that marks where a text goes wrong.
std::optional<EscapeProblem> unescapeInto(std::string_view text, std::string& out);
// TEXT of a script line for the bytes, which unescapeText reads back as the
// same bytes: escapes for control bytes, the backslash, bytes above 126 and
// a blank at the end, so that no editor changes them (by its encoding or by
// trimming the line).
std::string scriptText(std::string_view bytes);

} // namespace vantrel
