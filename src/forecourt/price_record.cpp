#include "price_record.h"

#include "fueling_positions.h"
#include "text_helpers.h"

#include "server/automation_error.h"

#include <charconv>
#include <set>
#include <string>

namespace vantrel::forecourt {

namespace {

// A plain decimal number: optional "-" (when allowed), digits, one point.
std::optional<double> parseDecimal(std::string_view raw, bool allowSign)
{
    const std::string text = trim(raw);
    std::string_view s = text;
    bool negative = false;
    if (allowSign && !s.empty() && s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    const auto point = s.find('.');
    const std::string_view whole = s.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : s.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || (!whole.empty() && !allDigits(whole)) ||
        (!fraction.empty() && !allDigits(fraction)))
        return std::nullopt;
    if (fraction.empty() && point != std::string_view::npos)
        s.remove_suffix(1); // "5." is 5
    double value = 0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size())
        return std::nullopt;
    return negative ? -value : value;
}

[[noreturn]] void invalid(const std::string& detail) { throw AutomationError(ErrorCode::InvalidValue, detail); }

} // namespace

std::optional<PriceRecord> readPriceRecord(const ParsedRecord& record)
{
    // No lines at all: what the utility sends for no hoses. It names no
    // position and changes nothing.
    if (record.lines.empty())
        return std::nullopt;
    refuseUnknownLines(record, {"FuelingPosition", "SlowdownPoint", "Hose", "Tier1", "Tier2", "Blend"}, "price");
    record.refuseRepeatedKeys({"Hose", "Tier1", "Tier2", "Blend"});
    PriceRecord priced;
    priced.position = parsePosition(record.require("FuelingPosition"));
    std::set<int> seen;
    int hose = 0;  // hose of the open group, 0 when none
    int stage = 0; // lines of the open group read so far: 1 Hose, 2 Tier1, 3 Tier2, 4 Blend
    auto closeGroup = [&] {
        if (hose != 0 && stage < 3)
            throw AutomationError(ErrorCode::HoseGroupIncomplete,
                                  "Hose=" + std::to_string(hose) + " has no " + (stage == 1 ? "Tier1" : "Tier2") + " line");
    };
    auto tier = [&](const std::string& key, const std::string& value) {
        const auto v = parseDecimal(value, false);
        if (!v || *v <= 0)
            invalid(key + " of hose " + std::to_string(hose) + " must be a price above 0 (1.999, or 1999 in thousandths), not \"" +
                    trim(value) + "\"");
        const double perLitre = value.find('.') == std::string::npos ? *v / 1000.0 : *v;
        if (perLitre > FuelingPositions::kHighestPrice)
            invalid(key + " of hose " + std::to_string(hose) + " is above the highest price a sale can be counted at");
        return perLitre;
    };

    for (const auto& line : record.lines) {
        if (!line.hasKey || equalsIgnoreCase(line.key, "FuelingPosition"))
            continue;
        const std::string value = trim(line.value);
        if (equalsIgnoreCase(line.key, "SlowdownPoint")) {
            const auto v = parseDecimal(value, true);
            if (!v || *v < 0)
                invalid("SlowdownPoint must be a number of hundredths, 0 or above, not \"" + value + "\"");
            priced.slowdownPoint = *v;
        } else if (equalsIgnoreCase(line.key, "Hose")) {
            closeGroup();
            if (!allDigits(value) || value.size() > 2 || std::stoi(value) < 1 || std::stoi(value) > FuelingPositions::kHoses)
                invalid("Hose in a price record must be 1 to 8, not \"" + value + "\"");
            hose = std::stoi(value);
            if (!seen.insert(hose).second)
                invalid("hose " + std::to_string(hose) + " is priced twice in one record");
            priced.hoses.push_back({hose, 0, 0, std::nullopt});
            stage = 1;
        } else if (hose == 0) {
            throw AutomationError(ErrorCode::MalformedRecord, "\"" + line.key + "=\" comes before any \"Hose=\" line");
        } else if (equalsIgnoreCase(line.key, "Tier1") && stage == 1) {
            priced.hoses.back().tier1 = tier("Tier1", value);
            stage = 2;
        } else if (equalsIgnoreCase(line.key, "Tier2") && stage == 2) {
            priced.hoses.back().tier2 = tier("Tier2", value);
            stage = 3;
        } else if (equalsIgnoreCase(line.key, "Blend") && stage == 3) {
            if (value.size() != 3 || !allDigits(value) || std::stoi(value) > 100)
                invalid("Blend of hose " + std::to_string(hose) + " must be three digits 000 to 100, not \"" + value + "\"");
            priced.hoses.back().blend = std::stoi(value);
            stage = 4;
        } else {
            throw AutomationError(ErrorCode::HoseGroupIncomplete,
                                  "the group of Hose=" + std::to_string(hose) + " must run Hose, Tier1, Tier2 and an optional "
                                  "Blend; \"" + line.key + "=\" is out of place");
        }
    }
    closeGroup();
    return priced;
}


} // namespace vantrel::forecourt
