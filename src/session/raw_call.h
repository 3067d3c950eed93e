// Raw calls: one member of the server called by name, without a button, as
// another client called it (a conversation the site tap watched, replayed),
// a script's put, get and call lines, or a window that composes a call.
// Every raw call goes through rawCall(), so that it reaches the journal, the
// trace, the status line and the recorder as a press's calls do, and every
// one is written as a script line by rawCallLine(), which the script reader
// reads back to the same call:
//
//   put MEMBER TYPE VALUE     put Price string FuelingPosition=07\r\n\0
//   get MEMBER [TYPE VALUE]   get FuelingPositionInformation int16 7
//   call MEMBER [TYPE VALUE]  call InvokeHelpFile
//
// TYPE is string, int16, int32, double or bool. A string VALUE is the rest of
// the line after one blank, with the script escapes (nothing: the empty
// string); a double is a decimal number (an exponent may follow), or NaN,
// Infinity or -Infinity; a bool is true, false, 1 or 0.
#pragma once

#include "server/ascii_text.h"
#include "server/automation_object.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

class Session;

// The longest string a raw call sends: the most D-Bus carries in one value,
// which is also what the D-Bus client sends at the most.
inline constexpr std::size_t kRawValueLimit = std::size_t(64) << 20;

// Why the call cannot be sent ("" when it can): a member that is no member
// name, a put without a value, an empty value (it has no form of its own
// on D-Bus, nor in a script line), a string longer than kRawValueLimit.
std::string rawCallProblem(Access access, std::string_view member, const std::optional<Value>& value);

// The script line that makes the call, with the script escapes in a string
// value, so that parseScript reads it back as the same call, byte for byte.
// Throws std::invalid_argument (with rawCallProblem's reason) for a call
// that cannot be sent.
std::string rawCallLine(Access access, std::string_view member, const std::optional<Value>& value);

// Reads what follows the verb of a raw call line ("MEMBER [TYPE VALUE]")
// into `member` and `value`; throws ScriptError (line 0) with the reason
// when the call cannot be sent as written.
void readRawCall(Access access, std::string_view rest, std::string& member, std::optional<Value>& value);

// Makes the call on the session's server as an action of its own (a
// UserAction of kind Call: `window` the window that made it, empty for a
// script; control the member; text the access, "put", "get" or "call"). It
// runs as a press's handler does: the observers see the call, a failing one
// is shown as "Error N: ..." and seen by an "expect error", and no box is
// written. Returns what a get or call returned; nothing for a put, for a
// call that failed, or while the session is busy (a call out, a handler
// running), when nothing is done. Throws std::invalid_argument, before
// anything is done, for a call that rawCallProblem refuses.
std::optional<Value> rawCall(Session& session, Access access, std::string_view member,
                             const std::optional<Value>& value, const std::string& window = {});

} // namespace vantrel
