// The packet input display: whatever the server answers, the decoder shows
// the header and at most one item per character after it, and reads nothing
// beyond the answer.
#include "reader/reader_handlers.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    const std::string shown = vantrel::reader::decodePacketInput(answer);
    const std::size_t header = size < 47 ? size : 47;
    if (shown.compare(0, header, answer.substr(0, header)) != 0)
        __builtin_trap();
    // Each data byte adds a blank and at most two characters.
    if (shown.size() > header + 3 * (size - header))
        __builtin_trap();
    return 0;
}
