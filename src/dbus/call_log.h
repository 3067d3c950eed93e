// The readable form of one served call, as vantrel-forecourt logs it: one
// line, every control byte as its picture (␍ ␊ ␀), long records cut with
// their length given, so a technician can follow the traffic in a terminal
// or the journal.
//   :1.42 put DisplayData = "ReaderPosition=05␍␊Message=HELLO␍␊␀" -> ok
//   :1.42 get DispenserInformation(7) -> "..."
//   :1.42 get Nothing -> error 438: The server has no such property or method: 'Nothing'
#pragma once

#include "server/automation_error.h"
#include "server/value.h"

#include <cstddef>
#include <string>

namespace vantrel::dbus {

// Longest piece of a record shown in one log line.
inline constexpr std::size_t kLoggedBytes = 160;

// Strings quoted in control pictures (cut after kLoggedBytes with the
// length given), numbers in plain decimal, "True"/"False", "(empty)".
std::string describeValue(const Value& value);
std::string describeError(const AutomationError& error); // "error 438: description"

} // namespace vantrel::dbus
