// The awkward records the inspector's views are checked over, and the
// helpers that read the expected views from tests/inspector/data.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::inspector::test {

// Bytes 0..255 in order.
inline std::string everyByte()
{
    std::string bytes;
    for (int c = 0; c < 256; ++c)
        bytes += static_cast<char>(c);
    return bytes;
}

// 64 KiB: bytes 0..255, 256 times over.
inline std::string sixtyFourKib()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += everyByte();
    return bytes;
}

// The lines of a file under tests/inspector/data, without their "\n".
std::vector<std::string> readDataLines(std::string_view name);

// Bytes written in ASCII for the data files: printable characters as they
// are, "\" as "\\", every other byte as \xHH.
std::string escapeBytes(std::string_view bytes);

// Undoes copyAsCString the way a C compiler reads the literal: adjacent
// literals joined, \" \\ \t \r \n \?, octal (at most 3 digits) and \x (any
// number of hex digits) escapes. Fails the test on anything else.
std::string decodeCString(std::string_view literal);

} // namespace vantrel::inspector::test
