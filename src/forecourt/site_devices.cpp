#include "site_devices.h"

#include <charconv>
#include <cmath>

namespace vantrel::forecourt::devicetext {

void addLine(std::string& text, std::string_view key, std::string_view value)
{
    if (!text.empty())
        text += "\r\n";
    text += key;
    text += '=';
    text += value;
}

bool allDigits(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

std::string oneDecimal(double value)
{
    char buffer[64];
    // Round first so that -0.04 does not come out as "-0.0".
    double rounded = std::round(value * 10.0) / 10.0;
    if (rounded == 0)
        rounded = 0;
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 1);
    return std::string(buffer, result.ptr);
}

} // namespace vantrel::forecourt::devicetext
