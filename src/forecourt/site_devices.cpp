#include "site_devices.h"

#include "server/conversions.h"

#include <cmath>

namespace vantrel::forecourt::devicetext {

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
