#include "reader_record_fields.h"

#include "record_parser.h"

#include "server/automation_error.h"

namespace vantrel::forecourt {

namespace {

// If the line starting at `at` begins with `key` and "=" (blanks allowed
// before and after the key), the offset just after "="; otherwise npos.
std::size_t afterKey(std::string_view text, std::size_t at, std::string_view key)
{
    std::size_t i = at;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (text.size() - i < key.size() || !equalsIgnoreCase(text.substr(i, key.size()), key))
        return std::string_view::npos;
    i += key.size();
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    if (i >= text.size() || text[i] != '=')
        return std::string_view::npos;
    return i + 1;
}

// Offset of the line that starts with `key=`, npos when none does.
std::size_t lineWithKey(std::string_view text, std::string_view key, std::size_t& valueAt)
{
    std::size_t line = 0;
    while (line <= text.size()) {
        valueAt = afterKey(text, line, key);
        if (valueAt != std::string_view::npos)
            return line;
        const auto end = text.find('\n', line);
        if (end == std::string_view::npos)
            break;
        line = end + 1;
    }
    return std::string_view::npos;
}

} // namespace

std::optional<std::string> valueToEnd(std::string_view record, std::string_view key)
{
    record = recordBody(record, false);
    std::size_t valueAt = 0;
    if (lineWithKey(record, key, valueAt) == std::string_view::npos)
        return std::nullopt;
    return std::string(record.substr(valueAt));
}

std::string_view linesBefore(std::string_view record, std::string_view key)
{
    record = recordBody(record, false);
    std::size_t valueAt = 0;
    const auto line = lineWithKey(record, key, valueAt);
    return line == std::string_view::npos ? record : record.substr(0, line);
}

OutputPacket readOutputPacket(std::string_view record)
{
    const std::string_view body = recordBody(record, false);
    OutputPacket packet;
    bool havePosition = false, haveCount = false;
    std::size_t at = 0;
    // The two header lines, in either order; the data begin after them.
    while (at < body.size() && !(havePosition && haveCount)) {
        const auto lf = body.find('\n', at);
        const std::size_t next = lf == std::string_view::npos ? body.size() : lf + 1;
        const std::string_view line = withoutFinalLineEnd(body.substr(at, next - at));
        std::size_t valueAt = afterKey(line, 0, "ReaderPosition");
        const bool position = valueAt != std::string_view::npos;
        if (!position && (valueAt = afterKey(line, 0, "PacketCount")) == std::string_view::npos)
            break;
        if (position ? havePosition : haveCount)
            throw AutomationError(ErrorCode::MalformedRecord, std::string(position ? "\"ReaderPosition=\"" : "\"PacketCount=\"") +
                                                                  " stands twice before the packet data");
        if (position) {
            packet.position = parsePosition(line.substr(valueAt));
            havePosition = true;
        } else {
            packet.count = trim(line.substr(valueAt));
            haveCount = true;
        }
        at = next;
    }
    if (!havePosition)
        throw AutomationError(ErrorCode::MissingKey, "no \"ReaderPosition=\" line before the packet data");
    std::string_view data = body.substr(at);
    if (const auto valueAt = afterKey(data, 0, "PacketData"); valueAt != std::string_view::npos)
        data.remove_prefix(valueAt);
    // Only a final CR LF ends the data; a lone LF may be a data byte.
    if (data.size() >= 2 && data.substr(data.size() - 2) == "\r\n")
        data.remove_suffix(2);
    packet.data = std::string(data);
    return packet;
}

} // namespace vantrel::forecourt
