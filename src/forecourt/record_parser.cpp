#include "record_parser.h"
#include "fueling_positions.h"

#include "text_helpers.h"

#include "server/automation_error.h"

#include <algorithm>
#include <cctype>

namespace vantrel::forecourt {

std::string trim(std::string_view text)
{
    const auto b = text.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    const auto e = text.find_last_not_of(" \t");
    return std::string(text.substr(b, e - b + 1));
}

std::optional<std::string> ParsedRecord::find(std::string_view key) const
{
    const RecordLine* found = nullptr;
    for (const auto& line : lines) {
        if (!line.hasKey || !equalsIgnoreCase(line.key, key))
            continue;
        if (found)
            throw AutomationError(ErrorCode::MalformedRecord, "\"" + line.key + "=\" stands twice in the record");
        found = &line;
    }
    return found ? std::optional<std::string>(found->value) : std::nullopt;
}

std::string ParsedRecord::require(std::string_view key) const
{
    auto value = find(key);
    if (!value)
        throw AutomationError(ErrorCode::MissingKey, "no \"" + std::string(key) + "=\" line");
    return *value;
}

std::string ParsedRecord::firstLine() const { return lines.empty() ? std::string() : lines.front().value; }

void ParsedRecord::refuseRepeatedKeys(std::initializer_list<std::string_view> groupKeys) const
{
    for (const auto& line : lines) {
        const bool inGroup = std::any_of(groupKeys.begin(), groupKeys.end(),
                                         [&](std::string_view k) { return equalsIgnoreCase(k, line.key); });
        if (line.hasKey && !inGroup)
            (void)find(line.key);
    }
}

std::string_view recordBody(std::string_view record, bool requireNul)
{
    const auto nul = record.find('\0');
    if (nul == std::string_view::npos) {
        if (requireNul)
            throw AutomationError(ErrorCode::MissingTerminator);
        return record;
    }
    if (nul + 1 != record.size())
        throw AutomationError(ErrorCode::MalformedRecord, "bytes follow the NUL that ends the record at byte " +
                                                              std::to_string(nul + 1) + " of " + std::to_string(record.size()));
    return record.substr(0, nul);
}

ParsedRecord parseRecord(std::string_view record, bool requireNul)
{
    ParsedRecord parsed;
    const std::size_t size = record.size();
    record = recordBody(record, requireNul);
    parsed.terminated = record.size() != size;
    std::size_t start = 0;
    while (start < record.size()) {
        auto end = record.find('\n', start);
        if (end == std::string_view::npos)
            end = record.size();
        std::string_view text = record.substr(start, end - start);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        RecordLine line;
        const auto eq = text.find('=');
        if (eq != std::string_view::npos && eq > 0 && text.substr(0, eq).find_first_not_of(" \t") != std::string_view::npos) {
            line.hasKey = true;
            line.key = trim(text.substr(0, eq));
            // Values keep inner text; only the blanks right after "=" go.
            std::string_view value = text.substr(eq + 1);
            while (!value.empty() && value.front() == ' ')
                value.remove_prefix(1);
            line.value = std::string(value);
        } else {
            line.value = std::string(text);
        }
        parsed.lines.push_back(std::move(line));
        start = end + 1;
    }
    return parsed;
}

int parsePosition(std::string_view text, bool allowAll)
{
    const std::string t = trim(text);
    const bool digits = t.size() <= 2 && allDigits(t);
    if (digits) {
        const int n = std::stoi(t);
        if (n >= 1 && n <= FuelingPositions::kPositions && t.size() == 2)
            return n;
        if (allowAll && t == "0")
            return 0;
    }
    throw AutomationError(ErrorCode::PositionOutOfRange, "\"" + t + "\"");
}

void refuseUnknownLines(const ParsedRecord& record, std::initializer_list<std::string_view> keys, const char* what)
{
    for (const auto& line : record.lines) {
        if (!line.hasKey) {
            if (!trim(line.value).empty())
                throw AutomationError(ErrorCode::MalformedRecord,
                                      std::string("the ") + what + " record has a line without a key: \"" + line.value + "\"");
            continue;
        }
        if (std::none_of(keys.begin(), keys.end(), [&](std::string_view k) { return equalsIgnoreCase(k, line.key); }))
            throw AutomationError(ErrorCode::MalformedRecord,
                                  std::string("the ") + what + " record has an unknown line \"" + line.key + "=\"");
    }
}

} // namespace vantrel::forecourt
