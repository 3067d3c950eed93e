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
//
// A view that keeps calls (the inspector, the journal) keeps a bounded copy
// of each: its string values cut to their first bytes, with the count of
// what was left out, which the header and the views then name:
//
//   get CardQue → 50000000 bytes, the first 1048576 kept
#pragma once

#include "session/session_observer.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel::inspector {

// The bytes of a call's argument and result that a bounded copy left out.
struct Omitted {
    std::size_t argument = 0;
    std::size_t result = 0;
    bool operator==(const Omitted&) const = default;
};

// A copy of `event` whose string argument and result hold at most their
// first `limit` bytes; `omitted` gets what was left out. Only the kept
// bytes are copied.
CallEvent keepBounded(const CallEvent& event, std::size_t limit, Omitted& omitted);

// put: the value put; get and call: the value returned, or, when the call
// failed before returning, its argument (empty without one).
std::string shownBytes(const CallEvent& event);
// Of the bytes shownBytes gives, how many a bounded copy left out.
std::size_t shownOmitted(const CallEvent& event, const Omitted& omitted);
// 49737856 -> "49,737,856".
std::string groupDigits(std::size_t n);
// "49,737,856 more bytes not kept" (ASCII).
std::string omittedNote(std::size_t omitted);

std::string describeCall(const CallEvent& event, const Omitted& omitted = {});
std::string describeFailure(const CallEvent& event, int number, std::string_view description,
                            const Omitted& omitted = {});

} // namespace vantrel::inspector
