// The prompt number reader and the number forms built from what it reads.
#include "server/records.h"

#include <cmath>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = vantrel::rec::readPromptNumber(text);
    if (std::isnan(value))
        __builtin_trap(); // a reader of digits never produces NaN
    if (std::isfinite(value)) {
        (void)vantrel::rec::signedNumber(value);
        if (std::fabs(value) < 1e15)
            (void)vantrel::rec::zeroFilled(value, 6);
    }
    return 0;
}
