// What handlers do with returned values: show them as text, or take them as
// a 16-bit integer. Both raise numbered errors when the value does not fit.
#pragma once

#include "value.h"

#include <cstdint>
#include <string>

namespace vantrel {

// Empty gives ""; numbers in plain decimal ("15", "2.5", "-0.25"); booleans "True"/"False".
std::string toText(const Value& value);

// Halves go to the even neighbour. Out of range raises Overflow; text that
// is no number raises TypeMismatch. Empty is 0, True is -1.
std::int16_t toInt16(const Value& value);

// Plain decimal form of a number: no exponent, no trailing zeros, shortest
// form that reads back as the same double.
std::string plainNumber(double value);

} // namespace vantrel
