#include "control_marks.h"

#include <array>

namespace vantrel::inspector {

namespace {

constexpr std::array<std::string_view, 32> kNames = {
    "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
    "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US",
};

} // namespace

std::string_view markName(unsigned char c)
{
    if (c < 0x20)
        return kNames[c];
    if (c == 0x7F)
        return "DEL";
    return {};
}

MarkRole markRole(unsigned char c)
{
    switch (c) {
    case '\r':
    case '\n': return MarkRole::LineEnd;
    case 0x00: return MarkRole::Nul;
    case 0x1B: return MarkRole::Escape;
    default: return MarkRole::Control;
    }
}

std::vector<Segment> splitMarked(std::string_view bytes)
{
    std::vector<Segment> segments;
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (!isControlByte(c))
            continue;
        if (i > runStart)
            segments.push_back({Segment::Kind::Text, bytes.substr(runStart, i - runStart)});
        segments.push_back({Segment::Kind::Mark, markName(c), c, markRole(c), c == '\n'});
        runStart = i + 1;
    }
    if (runStart < bytes.size())
        segments.push_back({Segment::Kind::Text, bytes.substr(runStart)});
    return segments;
}

} // namespace vantrel::inspector
