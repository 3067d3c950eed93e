// Masking takes whatever bytes a server returns: it never reads past them,
// never makes them longer, and leaves no card number whole: no run of 13 to
// 19 digits that passes the Luhn check stays in what it gives back.
#include "journal/card_mask.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string masked = vantrel::journal::maskCardData(bytes);
    if (masked.size() > bytes.size())
        std::abort();
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t i = 0; i < masked.size();) {
        if (!digit(masked[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < masked.size() && digit(masked[end]))
            ++end;
        const std::string run = masked.substr(i, end - i);
        if (run.size() >= 13 && run.size() <= 19 && run[0] != '0' && vantrel::journal::luhnValid(run))
            std::abort();
        i = end;
    }
    return 0;
}
