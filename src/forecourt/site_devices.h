// The site's devices beside the fueling positions: car wash controller,
// tank monitor and price sign, and the small text helpers their answers
// share. Answers are key=value lines joined by CR LF, without a final one.
#pragma once

#include "car_wash.h"
#include "price_sign.h"
#include "tank_monitor.h"

#include <string>
#include <string_view>

namespace vantrel::forecourt::devicetext {

// text + (CR LF if text is not empty) + key + "=" + value
void addLine(std::string& text, std::string_view key, std::string_view value);
// True for one or more ASCII digits and nothing else.
bool allDigits(std::string_view text);
// A number with exactly one decimal, independent of the locale: "21500.0".
// Infinity and NaN raise Overflow.
std::string oneDecimal(double value);

} // namespace vantrel::forecourt::devicetext
