#include "hex_dump.h"

namespace vantrel::inspector {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";
// "00000000" + 2 + 16 * 3 + 1 + 1 + "|" + 16 + "|"
constexpr std::size_t kLineWidth = 8 + 2 + kHexBytesPerLine * 3 + 1 + 1 + 1 + kHexBytesPerLine + 1;

} // namespace

std::string hexDumpLine(std::string_view bytes, std::size_t offset)
{
    const std::string_view part = bytes.substr(0, kHexBytesPerLine);
    std::string line;
    line.reserve(kLineWidth);
    for (int shift = 28; shift >= 0; shift -= 4)
        line += kDigits[(offset >> shift) & 0xF];
    line += "  ";
    for (std::size_t i = 0; i < kHexBytesPerLine; ++i) {
        if (i < part.size()) {
            const auto c = static_cast<unsigned char>(part[i]);
            line += kDigits[c >> 4];
            line += kDigits[c & 0xF];
            line += ' ';
        } else {
            line += "   ";
        }
        if (i == 7)
            line += ' ';
    }
    line += " |";
    for (const char ch : part) {
        const auto c = static_cast<unsigned char>(ch);
        line += c >= 0x20 && c <= 0x7E ? ch : '.';
    }
    line += '|';
    return line;
}

std::vector<std::string> hexDump(std::string_view bytes)
{
    std::vector<std::string> lines;
    lines.reserve((bytes.size() + kHexBytesPerLine - 1) / kHexBytesPerLine);
    for (std::size_t offset = 0; offset < bytes.size(); offset += kHexBytesPerLine)
        lines.push_back(hexDumpLine(bytes.substr(offset), offset));
    return lines;
}

std::string hexDumpText(std::string_view bytes)
{
    std::string text;
    text.reserve((bytes.size() + kHexBytesPerLine - 1) / kHexBytesPerLine * (kLineWidth + 1));
    for (std::size_t offset = 0; offset < bytes.size(); offset += kHexBytesPerLine) {
        text += hexDumpLine(bytes.substr(offset), offset);
        text += '\n';
    }
    return text;
}

} // namespace vantrel::inspector
