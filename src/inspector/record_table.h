// The table view of a record: its lines as key=value rows with their line
// ends and whatever is odd about them, and what is odd about the record as
// a whole. A command record is key=value lines ended by CR LF and one NUL at
// the very end; the table shows where a record departs from that, without
// judging whether the departure is wanted (bare position texts have no NUL,
// some records end their lines with LF alone).
//
// How a record is read:
// - It is cut into lines at each LF; "CR LF" or "LF" is the line's end. The
//   last line may have no end ("none"). A record that ends with a line end
//   has no empty row after it.
// - The first NUL ends the record. If it is the last byte, it is not part of
//   any row. Bytes after it are still cut into rows (so they can be seen),
//   each with the oddity "after the NUL"; a NUL that ends those bytes is not
//   part of a row either.
// - A line with "=" splits at its first "=" into key and value. A line without
//   one (the message lines of a display or print record, a bare value) is a row
//   with an empty key and the whole line as value.
// Keys and values are the exact bytes of the line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vantrel::inspector {

inline constexpr const char* kLineEndCrLf = "CR LF";
inline constexpr const char* kLineEndLf = "LF";
inline constexpr const char* kLineEndNone = "none";

// Row oddities, in the order a row lists them.
inline constexpr const char* kAfterNul = "after the NUL";
inline constexpr const char* kEmptyLine = "empty line";
inline constexpr const char* kNoEquals = "no =";
inline constexpr const char* kEmptyKey = "empty key";
inline constexpr const char* kBlankBeforeEquals = "blank before =";
inline constexpr const char* kBlankAfterEquals = "blank after =";
inline constexpr const char* kLoneCr = "CR without LF";

// Record findings.
inline constexpr const char* kEmptyRecord = "empty record";
inline constexpr const char* kNoNulAtEnd = "no NUL at the end";
// "1 byte after the NUL", "N bytes after the NUL".
std::string bytesAfterNulFinding(std::size_t count);

struct RecordRow {
    std::string key;
    std::string value;
    std::string lineEnd; // kLineEndCrLf, kLineEndLf or kLineEndNone
    std::vector<std::string> oddities;

    bool operator==(const RecordRow&) const = default;
};

struct RecordTable {
    std::vector<RecordRow> rows;
    std::vector<std::string> findings; // empty record | no NUL at the end, N bytes after the NUL
};

RecordTable readRecordTable(std::string_view record);

} // namespace vantrel::inspector
