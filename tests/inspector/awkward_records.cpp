#include "awkward_records.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vantrel::inspector::test {

std::vector<std::string> readDataLines(std::string_view name)
{
    const std::string path = std::string(INSPECTOR_TEST_DATA) + "/" + std::string(name);
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot read " << path;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string escapeBytes(std::string_view bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c <= 0x7E) {
            out += ch;
        } else {
            out += "\\x";
            out += kDigits[c >> 4];
            out += kDigits[c & 0xF];
        }
    }
    return out;
}

std::string decodeCString(std::string_view literal)
{
    const auto digit = [](char c, int base) {
        const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : 99;
        return v < base ? v : -1;
    };
    std::string bytes;
    bool inside = false;
    for (std::size_t i = 0; i < literal.size();) {
        const char c = literal[i++];
        if (!inside) {
            EXPECT_TRUE(c == '"' || c == ' ' || c == '\n') << "stray " << c << " at " << i;
            inside = c == '"';
        } else if (c == '"') {
            inside = false;
        } else if (c != '\\') {
            EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << "raw byte at " << i;
            EXPECT_FALSE(c == '?' && i < literal.size() && literal[i] == '?') << "trigraph at " << i;
            bytes += c;
        } else if (const char e = literal[i++]; e == 'x' || digit(e, 8) >= 0) {
            // \x takes every hex digit that follows, an octal escape up to three digits.
            const int base = e == 'x' ? 16 : 8;
            int value = e == 'x' ? 0 : digit(e, 8);
            for (int n = e == 'x' ? 0 : 1; i < literal.size() && digit(literal[i], base) >= 0 && (base == 16 || n < 3); ++n)
                value = value * base + digit(literal[i++], base);
            EXPECT_LE(value, 255) << "escape out of range at " << i;
            bytes += static_cast<char>(value);
        } else {
            const std::string_view named = "\"\"\\\\??t\tr\rn\n";
            const auto at = named.find(e);
            EXPECT_TRUE(at != std::string_view::npos && at % 2 == 0) << "unknown escape " << e;
            bytes += at % 2 == 0 ? named[at + 1] : '?';
        }
    }
    EXPECT_FALSE(inside) << "open literal";
    return bytes;
}

} // namespace vantrel::inspector::test
