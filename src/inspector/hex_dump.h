// The hex view of a record: sixteen bytes a line, in the layout of
// `hexdump -C` with upper-case digits, so a dump pasted from the inspector
// reads like the one every technician knows:
//
//   00000000  41 42 0D 0A 00 1B 5B 31  6D 80 FF 20 3D 7E 7F 09  |AB....[1m.. =~..|
//
// - the offset of the line's first byte, 8 upper-case hex digits, then two blanks;
// - each byte as two upper-case hex digits and a blank, with one more blank
//   after the eighth; a short last line is padded with blanks to full width;
// - one blank, then the line's bytes between "|" bars, the bytes 0x20..0x7E as
//   themselves and every other byte (controls, DEL, 0x80..0xFF) as ".".
// An empty record has no lines. Every line is plain ASCII.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::inspector {

inline constexpr std::size_t kHexBytesPerLine = 16;

// One line for up to 16 bytes starting at `offset` in the record.
std::string hexDumpLine(std::string_view bytes, std::size_t offset);
std::vector<std::string> hexDump(std::string_view bytes);
// The lines joined, each ended by "\n".
std::string hexDumpText(std::string_view bytes);

} // namespace vantrel::inspector
