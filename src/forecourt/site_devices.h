// The site's devices beside the fueling positions: car wash controller,
// tank monitor and price sign, and the number form their answers share.
// Answers are key=value lines joined by CR LF, without a final one
// (addLine in text_helpers.h).
#pragma once

#include "car_wash.h"
#include "price_sign.h"
#include "tank_monitor.h"
#include "text_helpers.h"

#include <string>
#include <string_view>

namespace vantrel::forecourt::devicetext {

// A number with exactly one decimal, independent of the locale: "21500.0".
// Infinity and NaN raise Overflow.
std::string oneDecimal(double value);

} // namespace vantrel::forecourt::devicetext
