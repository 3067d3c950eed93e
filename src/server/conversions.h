// What handlers do with returned values: show them as text, or take them as
// a 16-bit integer. Both raise numbered errors when the value does not fit.
// The number forms here are also what records and the embedded server's
// answers are written with, so every finite double has one exact text and
// a non-finite one is refused instead of being written.
#pragma once

#include "value.h"

#include <cstdint>
#include <string>

namespace vantrel {

// Empty gives ""; numbers in plain decimal ("15", "2.5", "-0.25"); booleans
// "True"/"False". A double that is not finite, which only another server can
// return, is shown as "NaN", "Infinity" or "-Infinity".
std::string toText(const Value& value);

// Halves go to the even neighbour. Out of range raises Overflow; text that
// is no number raises TypeMismatch. Empty is 0, True is -1.
std::int16_t toInt16(const Value& value);

// Plain decimal form of a number: no exponent, no trailing zeros, shortest
// form that reads back as the same double. Infinity and NaN raise Overflow.
std::string plainNumber(double value);

// Fixed form with exactly `decimals` digits after the point (0 to 20):
// fixedNumber(1.9999, 3) is "2.000", fixedNumber(1e20, 1) is
// "100000000000000000000.0". Infinity and NaN raise Overflow.
std::string fixedNumber(double value, int decimals);

} // namespace vantrel
