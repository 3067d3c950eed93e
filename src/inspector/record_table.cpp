#include "record_table.h"

namespace vantrel::inspector {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

RecordRow readRow(std::string_view line, const char* lineEnd, bool afterNul)
{
    RecordRow row;
    row.lineEnd = lineEnd;
    if (afterNul)
        row.oddities.emplace_back(kAfterNul);
    if (line.empty()) {
        row.oddities.emplace_back(kEmptyLine);
        return row;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        row.value = std::string(line);
        row.oddities.emplace_back(kNoEquals);
    } else {
        row.key = std::string(line.substr(0, equals));
        row.value = std::string(line.substr(equals + 1));
        if (row.key.empty())
            row.oddities.emplace_back(kEmptyKey);
        else if (isBlank(row.key.back()))
            row.oddities.emplace_back(kBlankBeforeEquals);
        if (!row.value.empty() && isBlank(row.value.front()))
            row.oddities.emplace_back(kBlankAfterEquals);
    }
    if (line.find('\r') != std::string_view::npos)
        row.oddities.emplace_back(kLoneCr);
    return row;
}

// Cuts `part` into rows at each LF; `part` holds no terminating NUL.
void readRows(std::string_view part, bool afterNul, std::vector<RecordRow>& rows)
{
    while (!part.empty()) {
        const auto lf = part.find('\n');
        if (lf == std::string_view::npos) {
            rows.push_back(readRow(part, kLineEndNone, afterNul));
            return;
        }
        const bool crLf = lf > 0 && part[lf - 1] == '\r';
        rows.push_back(readRow(part.substr(0, crLf ? lf - 1 : lf), crLf ? kLineEndCrLf : kLineEndLf, afterNul));
        part.remove_prefix(lf + 1);
    }
}

} // namespace

std::string bytesAfterNulFinding(std::size_t count)
{
    return std::to_string(count) + (count == 1 ? " byte after the NUL" : " bytes after the NUL");
}

RecordTable readRecordTable(std::string_view record)
{
    RecordTable table;
    if (record.empty()) {
        table.findings.emplace_back(kEmptyRecord);
        return table;
    }
    if (record.back() != '\0')
        table.findings.emplace_back(kNoNulAtEnd);
    const auto nul = record.find('\0');
    if (nul == std::string_view::npos) {
        readRows(record, false, table.rows);
        return table;
    }
    readRows(record.substr(0, nul), false, table.rows);
    if (const std::size_t after = record.size() - nul - 1) {
        table.findings.push_back(bytesAfterNulFinding(after));
        // What follows the NUL is shown too, so that no byte is hidden; a
        // final NUL there ends those rows as it would end a record.
        std::string_view rest = record.substr(nul + 1);
        if (rest.back() == '\0')
            rest.remove_suffix(1);
        readRows(rest, true, table.rows);
    }
    return table;
}

} // namespace vantrel::inspector
