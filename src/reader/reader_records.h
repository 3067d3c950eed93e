// Records of the reader terminal: the display messages, the receipts and
// the key entry record (other windows send these too), and the records only
// the reader buttons build: preloaded prompts, print jobs, the keypad
// configuration, the beeper and the output packet. `position` is always the
// two-digit reader position text.
#pragma once

#include <string>
#include <string_view>

namespace vantrel::reader {

// "ReaderPosition=" NN, "Message=Display Msg " n, "Line 2 Displayed", each CR LF, then NUL.
std::string displayRecord(std::string_view position, int message);
// Receipt 1 or 2: position, "Job=Receipt", "Message=Vantrel", title, numbered lines,
// "LastLine !", five empty lines, NUL.
std::string receiptRecord(std::string_view position, int receipt);
// "ReaderPosition=" NN, "EntryMode=" mode, each CR LF, then NUL.
std::string keyEntryRecord(std::string_view position, std::string_view entryMode);

// "Section=", "MessageType=", "MessageNumber=", "Message=", each CR LF, then NUL; no position.
std::string preloadRecord(int section, std::string_view type, int number, std::string_view message);

// A one-line print job: position, "Job=" job, "Message=" text, then `feeds`
// CR LF pairs in all (the one ending the text line included), then NUL.
std::string printJobRecord(std::string_view position, std::string_view job, std::string_view text, int feeds);

// The keypad layout the stress test and the canned configuration send.
inline constexpr std::string_view kCannedKeyData = "123@R456A@789NYL0EHCe";
// "ReaderPosition=" NN CR LF, "KeyData=" data LF, NUL.
std::string keypadRecord(std::string_view position, std::string_view keyData);

// "ReaderPosition=" NN LF, "BeepCounts=03" LF, NUL: LF alone, no CR.
std::string beeperRecord(std::string_view position);

// The test packet: the letter C and the bytes 16 and 7.
inline constexpr std::string_view kTestPacket = "C\x10\x07";
// The output packet record of the test packet, "PacketCount=003".
std::string testPacketRecord(std::string_view position);

} // namespace vantrel::reader
