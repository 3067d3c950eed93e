// The session script reader: any bytes either read as commands or are
// refused with a line number and a reason; a raw call line that reads, once
// written again by the formatter, reads back as the same call.
#include "session/raw_call.h"
#include "session/script.h"

#include <cstdint>
#include <string_view>

namespace {

void checkRawCallRoundTrip(const vantrel::ScriptCommand& c)
{
    const std::string line = vantrel::rawCallLine(c.access, c.target, c.value);
    const auto again = vantrel::parseScript(line);
    if (again.size() != 1 || again[0].kind != c.kind || again[0].access != c.access || again[0].target != c.target)
        __builtin_trap();
    // Doubles (NaN among them) are compared by the text they are written as.
    const bool same = c.value && c.value->type() == vantrel::Value::Type::Double
                          ? vantrel::rawCallLine(again[0].access, again[0].target, again[0].value) == line
                          : again[0].value == c.value;
    if (!same)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto commands = vantrel::parseScript(text);
        for (const auto& c : commands) {
            if (c.line < 1)
                __builtin_trap();
            if (c.kind == vantrel::ScriptCommand::Kind::RawCall)
                checkRawCallRoundTrip(c);
        }
    } catch (const vantrel::ScriptError& e) {
        if (e.line < 1 || e.reason.empty())
            __builtin_trap();
    }
    return 0;
}
