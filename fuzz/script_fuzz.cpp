// The session script reader: any bytes either read as commands or are
// refused with a line number and a reason.
#include "session/script.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto commands = vantrel::parseScript(text);
        for (const auto& c : commands)
            if (c.line < 1)
                __builtin_trap();
    } catch (const vantrel::ScriptError& e) {
        if (e.line < 1 || e.reason.empty())
            __builtin_trap();
    }
    return 0;
}
