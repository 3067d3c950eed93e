// Records of the reader terminal that other windows send too: the two
// display messages, the two receipts and the key entry record. `position`
// is the two-digit reader position text.
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

} // namespace vantrel::reader
