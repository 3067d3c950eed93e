// How much the simulated site takes in and keeps. A client that never reads
// its queues, prints for days or sends a value of 100 MB must not grow the
// server without end, nor its whole state (Vantrel.Simulator.ReadSite)
// past what one D-Bus message carries. What a bound drops is counted in the
// site state, so the board can say so; what a bound refuses is refused with
// error 1007 and changes nothing.
//
// The largest ReadSite answer these bounds allow (one reader; every kept
// byte a control byte, which JSON writes as six: \u00XX):
//   screen message, its texts and sequences  3 x 64 KiB x 6       ~  1.2 MiB
//   texts and sequences, 2 x 1,024 entries, their fields and font names ~  0.6 MiB
//   XML state: 4 single settings from packets of at most 128 KiB,
//     prompts, images and notes together at most 256 KiB         ~  4.5 MiB
//   paper: 256 KiB, at most 4,096 items                           ~  1.9 MiB
//   queues: 5 x 64 KiB, at most 1,000 entries each                ~  1.9 MiB
//   keypad 4 KiB, wash codes 1,000 x 80, positions, tanks, sign   ~  0.2 MiB
//   together                                                      ~ 10.3 MiB
// well under the 32 MiB a message may have on a system bus.
#pragma once

#include <cstddef>
#include <string>

namespace vantrel::forecourt {

// The longest value any member takes (a record, a position text).
inline constexpr std::size_t kLargestValue = std::size_t(1) << 20;
// The longest display record (DisplayData, and a preloaded message): the display's memory.
inline constexpr std::size_t kLargestDisplayRecord = std::size_t(64) << 10;
// The longest keypad configuration record.
inline constexpr std::size_t kLargestKeypadRecord = std::size_t(4) << 10;
// The longest XML packet a terminal takes (an image packet included).
inline constexpr std::size_t kLargestXmlPacket = std::size_t(128) << 10;
// The longest customer action text ("key 5 4321").
inline constexpr std::size_t kLongestCustomerAction = 4096;
// The longest fault line ("member DispenserInformation error 1105 3").
inline constexpr std::size_t kLongestFaultLine = 1024;
// The longest font name a display takes in ESC "F"; a longer one is no font sequence.
inline constexpr std::size_t kLongestFontName = 64;

// A reader's paper keeps its newest items, at most this many bytes and items.
inline constexpr std::size_t kPaperBytes = std::size_t(256) << 10;
inline constexpr std::size_t kPaperItems = 4096;
// Each input queue of a reader holds at most this many entries and bytes;
// an entry that does not fit is dropped (the reader's buffer is full), so
// what a client has read at the top stays there until it clears it.
inline constexpr std::size_t kQueueEntries = 1000;
inline constexpr std::size_t kQueueBytes = std::size_t(64) << 10;
// The detail of an error queued at a reader is cut at this many bytes.
inline constexpr std::size_t kQueuedErrorDetail = 256;
// A display message is read into at most this many texts and sequences.
inline constexpr std::size_t kScreenTexts = 1024;
inline constexpr std::size_t kScreenSequences = 1024;
// Prompts, images and notes set by XML commands: at most this many bytes
// together, and this many of each; the oldest notes go first, then images
// and then prompts not on show, in the order of their ids.
inline constexpr std::size_t kScreenXmlBytes = std::size_t(256) << 10;
inline constexpr std::size_t kScreenPrompts = 64;
inline constexpr std::size_t kScreenImages = 64;
inline constexpr std::size_t kScreenNotes = 64;
// Preloaded display messages held by the readers together.
inline constexpr std::size_t kPreloadedMessages = 256;
// The car wash keeps its newest codes and transactions.
inline constexpr std::size_t kWashCodes = 1000;
// The most tanks a site has (a site file may describe up to this many).
inline constexpr int kMostTanks = 8;
inline constexpr std::size_t kWashTransactions = 1000;

// "1,048,576": a bound as an error description names it.
inline std::string groupedNumber(unsigned long long n)
{
    std::string digits = std::to_string(n);
    for (auto at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, 1, ',');
    return digits;
}

} // namespace vantrel::forecourt
