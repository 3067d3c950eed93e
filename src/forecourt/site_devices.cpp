#include "site_devices.h"

#include "server/conversions.h"

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
    // Round first so that -0.04 does not come out as "-0.0"; a value too
    // large to be scaled by ten is whole already.
    double rounded = std::fabs(value) < 1e300 ? std::round(value * 10.0) / 10.0 : value;
    if (rounded == 0)
        rounded = 0;
    return fixedNumber(rounded, 1);
}

} // namespace vantrel::forecourt::devicetext
