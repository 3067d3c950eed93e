// What the inspector shows of one server call: the bytes (the record that was
// put, or the text that came back) and a header line that says which call
// they belong to:
//
//   put Authorize · 52 bytes
//   get FuelingPositionInformation(7) → 210 bytes
//   call QueCountQuery → int16 3
//   error 1101: No such position · put Authorize · 52 bytes
//
// Headers are UTF-8. Values that are no strings are shown as their text.
#pragma once

#include "session/session_observer.h"

#include <string>
#include <string_view>

namespace vantrel::inspector {

// put: the value put; get and call: the value returned, or, when the call
// failed before returning, its argument (empty without one).
std::string shownBytes(const CallEvent& event);

std::string describeCall(const CallEvent& event);
std::string describeFailure(const CallEvent& event, int number, std::string_view description);

} // namespace vantrel::inspector
