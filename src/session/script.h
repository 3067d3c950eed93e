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

struct ScriptError : std::runtime_error {
    ScriptError(int at, std::string why) : std::runtime_error(why), line(at), reason(std::move(why)) {}
    int line;
    std::string reason;
};

// Throws ScriptError for the first line that is not a command.
std::vector<ScriptCommand> parseScript(std::string_view content);
// Resolves the escapes of TEXT; throws ScriptError (line 0) for a bad one.
std::string unescapeText(std::string_view text);
// TEXT of a script line for the bytes, which unescapeText reads back as the
// same bytes: escapes for control bytes, the backslash, bytes above 126 and
// a blank at the end, so that no editor changes them (by its encoding or by
// trimming the line).
std::string scriptText(std::string_view bytes);

} // namespace vantrel
