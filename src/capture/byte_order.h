// Unsigned fields in the byte order of a pcapng section or a D-Bus
// message: read from a view the caller has checked to be long enough,
// appended to a buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::capture {

struct ByteOrder {
    bool big = false;

    std::uint64_t read(std::string_view bytes, std::size_t at, int width) const
    {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i) {
            const auto byte = static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(big ? i : width - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }
    std::uint16_t u16(std::string_view bytes, std::size_t at) const
    {
        return static_cast<std::uint16_t>(read(bytes, at, 2));
    }
    std::uint32_t u32(std::string_view bytes, std::size_t at) const
    {
        return static_cast<std::uint32_t>(read(bytes, at, 4));
    }
    std::uint64_t u64(std::string_view bytes, std::size_t at) const { return read(bytes, at, 8); }

    void append(std::string& out, std::uint64_t value, int width) const
    {
        for (int i = 0; i < width; ++i) {
            const int shift = 8 * (big ? width - 1 - i : i);
            out += static_cast<char>((value >> shift) & 0xFF);
        }
    }
    void append16(std::string& out, std::uint16_t value) const { append(out, value, 2); }
    void append32(std::string& out, std::uint32_t value) const { append(out, value, 4); }
    void append64(std::string& out, std::uint64_t value) const { append(out, value, 8); }
    void put32(std::string& out, std::size_t at, std::uint32_t value) const
    {
        std::string field;
        append32(field, value);
        out.replace(at, 4, field);
    }
};

// Bytes up to the next multiple of `unit` (a power of two).
inline std::size_t padded(std::size_t size, std::size_t unit) { return (size + unit - 1) & ~(unit - 1); }

} // namespace vantrel::capture
