// The readable form of one served call, as vantrel-forecourt logs it: one
// line, every control byte as its picture (␍ ␊ ␀), long records cut with
// their length given, so a technician can follow the traffic in a terminal
// or the journal.
//   :1.42 put DisplayData = "ReaderPosition=05␍␊Message=HELLO␍␊␀" -> ok
//   :1.42 get DispenserInformation(7) -> "..."
//   :1.42 get Nothing -> error 438: The server has no such property or method: 'Nothing'
#pragma once

#include <cstddef>

namespace vantrel::dbus {

// Longest piece of a record shown in one log line.
inline constexpr std::size_t kLoggedBytes = 160;

// The log's view of texts, values and errors (card data masked, cut at
// kLoggedBytes) is in service_calls.h.

} // namespace vantrel::dbus
