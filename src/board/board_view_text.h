// The number formats the board's view model writes in; internal to the board.
#pragma once

#include <cstdio>
#include <string>

namespace vantrel::board {

// `value` with `decimals` digits after the point: "1.459".
inline std::string fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// Two digits at least: "07".
inline std::string two(int n) { return (n < 10 ? "0" : "") + std::to_string(n); }

} // namespace vantrel::board
