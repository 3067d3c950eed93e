// The numbers of the pcapng format the reader and the writer share.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantrel::capture::pcapng {

constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A; // the same in either byte order
constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr std::uint32_t kInterfaceDescription = 1;
constexpr std::uint32_t kSimplePacket = 3;
constexpr std::uint32_t kEnhancedPacket = 6;
// Every block: its type and length, its body, its length again.
constexpr std::size_t kBlockFrame = 12;
constexpr std::uint16_t kOptionEnd = 0;
constexpr std::uint16_t kOptionTimeResolution = 9; // if_tsresol
constexpr std::uint16_t kOptionTimeOffset = 14;    // if_tsoffset
constexpr std::uint8_t kMicroseconds = 6;          // if_tsresol 10^-6, also when not given

} // namespace vantrel::capture::pcapng
