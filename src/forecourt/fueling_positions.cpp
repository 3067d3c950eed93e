#include "fueling_positions.h"

#include "server/automation_error.h"
#include "server/conversions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <set>

namespace vantrel::forecourt {

const char* saleStateName(SaleState state)
{
    switch (state) {
    case SaleState::Idle: return "Idle";
    case SaleState::Authorised: return "Authorised";
    case SaleState::Fueling: return "Fueling";
    case SaleState::Stopped: return "Stopped";
    case SaleState::Completed: return "Completed";
    }
    return "?";
}

namespace {

std::string positionName(int position)
{
    return std::string(position < 10 ? "0" : "") + std::to_string(position);
}

double hundredthsToMoney(double hundredths) { return hundredths / 100.0; }
double roundToHundredths(double money) { return std::round(money * 100.0) / 100.0; }

bool allDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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

[[noreturn]] void conflict(ErrorCode code, int position, const std::string& detail)
{
    throw AutomationError(code, "position " + positionName(position) + " " + detail);
}

// The hose a sale may use: empty or "0" any hose, "1".."8" one hose,
// "M" and eight 0/1 digits a set (rightmost digit hose 1). Gives the hose
// the customer takes.
int hoseFromRecord(const std::string& hose)
{
    const std::string h = trim(hose);
    if (h.empty())
        return 1;
    if (allDigits(h) && h.size() <= 2) {
        const int n = std::stoi(h);
        if (n <= FuelingPositions::kHoses)
            return n == 0 ? 1 : n;
    } else if (h.size() == 1 + FuelingPositions::kHoses && (h[0] == 'M' || h[0] == 'm') &&
               std::all_of(h.begin() + 1, h.end(), [](char c) { return c == '0' || c == '1'; })) {
        for (int k = 1; k <= FuelingPositions::kHoses; ++k)
            if (h[h.size() - static_cast<std::size_t>(k)] == '1')
                return k;
        invalid("the hose set \"" + h + "\" locks no hose");
    }
    invalid("Hose must be 0 to 8, or M and eight digits 0 or 1, not \"" + h + "\"");
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

} // namespace

FuelingPositions::FuelingPositions(const Clock& clock) : m_clock(clock) {}

FuelingPositions::Position& FuelingPositions::at(int position)
{
    if (position < 1 || position > kPositions)
        throw AutomationError(ErrorCode::PositionOutOfRange, std::to_string(position));
    return m_positions[static_cast<std::size_t>(position)];
}

const FuelingPositions::Position& FuelingPositions::at(int position) const
{
    return const_cast<FuelingPositions*>(this)->at(position);
}

Millis FuelingPositions::runningTime(const Sale& sale) const
{
    return sale.ranBefore + (sale.runningSince ? m_clock.now() - *sale.runningSince : Millis(0));
}

void FuelingPositions::halt(Sale& sale) const
{
    sale.ranBefore = runningTime(sale);
    sale.runningSince.reset();
}

FuelingPositions::Progress FuelingPositions::progressOf(const Sale& sale) const
{
    // Litres at which the sale ends, and at which the flow slows down.
    const bool fillUp = sale.limitHundredths >= kNoLimit;
    double target = kTankLitres;
    double slowFrom = kTankLitres;
    if (!fillUp) {
        const double limit = hundredthsToMoney(static_cast<double>(sale.limitHundredths));
        const double atLimit = limit / sale.unitPrice;
        if (atLimit < target) {
            target = atLimit;
            slowFrom = std::max(0.0, (limit - sale.slowdown) / sale.unitPrice);
        }
    }
    slowFrom = std::min(slowFrom, target);
    const double fastSeconds = slowFrom / kFastFlow;
    const double finishSeconds = fastSeconds + (target - slowFrom) / kSlowFlow;
    const Millis finish = kNozzleLift + Millis(std::llround(finishSeconds * 1000.0));

    const Millis t = runningTime(sale);
    Progress p;
    if (t >= finish) {
        p.litres = target;
    } else if (t > kNozzleLift) {
        const double s = std::chrono::duration<double>(t - kNozzleLift).count();
        p.litres = s <= fastSeconds ? s * kFastFlow : slowFrom + (s - fastSeconds) * kSlowFlow;
        p.litres = std::min(p.litres, target);
    }
    p.amount = roundToHundredths(p.litres * sale.unitPrice);
    if (t >= finish || sale.ended)
        p.state = SaleState::Completed;
    else if (!sale.runningSince)
        p.state = SaleState::Stopped;
    else
        p.state = t > kNozzleLift ? SaleState::Fueling : SaleState::Authorised;
    return p;
}

FuelingPositions::Progress FuelingPositions::progress(int position) const
{
    const auto& p = at(position);
    return p.sale ? progressOf(*p.sale) : Progress{};
}

void FuelingPositions::authorize(const ParsedRecord& record)
{
    refuseUnknownLines(record, {"FuelingPosition", "Hose", "MOP", "Limit"}, "authorisation");
    const int position = parsePosition(record.require("FuelingPosition"));
    Position& pos = at(position);

    Sale sale;
    sale.hose = trim(record.find("Hose").value_or(""));
    sale.hoseInUse = hoseFromRecord(sale.hose);

    const std::string mop = trim(record.require("MOP"));
    if (mop.size() != 1 || std::string_view("12FfNn").find(mop[0]) == std::string_view::npos)
        invalid("MOP must be 1, 2, F or N, not \"" + mop + "\"");
    sale.mop = static_cast<char>(std::toupper(static_cast<unsigned char>(mop[0])));

    const std::string limit = trim(record.require("Limit"));
    if (!allDigits(limit) || limit.find_first_not_of('0') == std::string::npos)
        invalid("Limit must be a whole number of hundredths above 0 (001500 is 15.00), not \"" + limit + "\"");
    const std::string significant = limit.substr(limit.find_first_not_of('0'));
    sale.limitHundredths = significant.size() > 12 ? kNoLimit : std::stoll(significant);

    if (pos.sale) {
        const auto state = progressOf(*pos.sale).state;
        conflict(ErrorCode::SaleStateConflict, position,
                 std::string("already has a sale (") + saleStateName(state) + "); " +
                     (state == SaleState::Completed ? "pay it out with PayOutSale" : "end it with Deauthorize")
                     + " before authorising again");
    }

    const HosePrice& price = pos.prices[static_cast<std::size_t>(sale.hoseInUse)];
    sale.unitPrice = sale.mop == '2' ? price.tier2 : price.tier1;
    sale.slowdown = hundredthsToMoney(pos.slowdownPoint);
    sale.runningSince = m_clock.now();
    pos.sale = sale;
}

void FuelingPositions::deauthorize(int position)
{
    Position& pos = at(position);
    if (!pos.sale)
        conflict(ErrorCode::SaleStateConflict, position, "is idle; there is no authorisation to cancel");
    const Progress p = progressOf(*pos.sale);
    if (p.state == SaleState::Completed)
        conflict(ErrorCode::SaleStateConflict, position,
                 "has finished its delivery; the sale waits for PayOutSale, not for Deauthorize");
    if (p.litres == 0) {
        pos.sale.reset(); // nothing drawn: simply cancelled
        return;
    }
    halt(*pos.sale);
    pos.sale->ended = true; // the fuel drawn still has to be paid out
}

void FuelingPositions::stop(int position)
{
    // Stopping is always safe: a position without a running sale is left as it is.
    for (int p = position == 0 ? 1 : position; p <= (position == 0 ? kPositions : position); ++p) {
        auto& sale = at(p).sale;
        if (sale && sale->runningSince && progressOf(*sale).state != SaleState::Completed)
            halt(*sale);
    }
}

void FuelingPositions::resume(int position)
{
    Position& pos = at(position);
    const auto state = pos.sale ? progressOf(*pos.sale).state : SaleState::Idle;
    if (state != SaleState::Stopped)
        conflict(ErrorCode::NotStopped, position,
                 std::string("is ") + saleStateName(state) + ", not stopped; there is nothing to resume");
    pos.sale->runningSince = m_clock.now();
}

void FuelingPositions::payOut(int position)
{
    Position& pos = at(position);
    if (!pos.sale)
        conflict(ErrorCode::NoSaleToPay, position, "is idle");
    const Progress p = progressOf(*pos.sale);
    switch (p.state) {
    case SaleState::Completed:
        break;
    case SaleState::Authorised:
        conflict(ErrorCode::NoSaleToPay, position, "is authorised but no fuel has been drawn; Deauthorize cancels it");
    case SaleState::Fueling:
        conflict(ErrorCode::SaleStateConflict, position,
                 "is still fueling; stop it and de-authorise it, or let it reach its limit, before paying out");
    default:
        if (p.litres == 0)
            conflict(ErrorCode::NoSaleToPay, position, "is stopped before any fuel was drawn; Deauthorize cancels it");
        conflict(ErrorCode::SaleStateConflict, position,
                 "is stopped, not finished; Resume it, or Deauthorize to end the delivery, before paying out");
    }
    pos.salesPaid += 1;
    pos.paidLitres += p.litres;
    pos.paidAmount += p.amount;
    pos.lastSale = p;
    pos.sale.reset();
}

void FuelingPositions::setPrices(const ParsedRecord& record)
{
    // No lines at all: what the utility sends for no hoses. It names no
    // position and changes nothing.
    if (record.lines.empty())
        return;
    refuseUnknownLines(record, {"FuelingPosition", "SlowdownPoint", "Hose", "Tier1", "Tier2", "Blend"}, "price");
    record.refuseRepeatedKeys({"Hose", "Tier1", "Tier2", "Blend"});
    const int position = parsePosition(record.require("FuelingPosition"));
    Position& pos = at(position);

    // Read the whole record first, so that a refused record changes nothing.
    double slowdown = pos.slowdownPoint;
    std::array<HosePrice, kHoses + 1> prices = pos.prices;
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
        if (perLitre > kHighestPrice)
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
            slowdown = *v;
        } else if (equalsIgnoreCase(line.key, "Hose")) {
            closeGroup();
            if (!allDigits(value) || value.size() > 2 || std::stoi(value) < 1 || std::stoi(value) > kHoses)
                invalid("Hose in a price record must be 1 to 8, not \"" + value + "\"");
            hose = std::stoi(value);
            if (!seen.insert(hose).second)
                invalid("hose " + std::to_string(hose) + " is priced twice in one record");
            prices[static_cast<std::size_t>(hose)].blend.reset();
            stage = 1;
        } else if (hose == 0) {
            throw AutomationError(ErrorCode::MalformedRecord, "\"" + line.key + "=\" comes before any \"Hose=\" line");
        } else if (equalsIgnoreCase(line.key, "Tier1") && stage == 1) {
            prices[static_cast<std::size_t>(hose)].tier1 = tier("Tier1", value);
            stage = 2;
        } else if (equalsIgnoreCase(line.key, "Tier2") && stage == 2) {
            prices[static_cast<std::size_t>(hose)].tier2 = tier("Tier2", value);
            stage = 3;
        } else if (equalsIgnoreCase(line.key, "Blend") && stage == 3) {
            if (value.size() != 3 || !allDigits(value) || std::stoi(value) > 100)
                invalid("Blend of hose " + std::to_string(hose) + " must be three digits 000 to 100, not \"" + value + "\"");
            prices[static_cast<std::size_t>(hose)].blend = std::stoi(value);
            stage = 4;
        } else {
            throw AutomationError(ErrorCode::HoseGroupIncomplete,
                                  "the group of Hose=" + std::to_string(hose) + " must run Hose, Tier1, Tier2 and an optional "
                                  "Blend; \"" + line.key + "=\" is out of place");
        }
    }
    closeGroup();
    pos.slowdownPoint = slowdown;
    pos.prices = prices;
}

std::string FuelingPositions::positionInformation(int position) const
{
    const Position& pos = at(position);
    std::string text = "FuelingPosition=" + std::to_string(position);
    auto line = [&text](const std::string& key, const std::string& value) { text += "\r\n" + key + "=" + value; };
    if (!pos.sale) {
        line("State", "Idle");
        if (pos.lastSale) {
            line("LastSaleVolume", fixedNumber(pos.lastSale->litres, 3));
            line("LastSaleAmount", fixedNumber(pos.lastSale->amount, 2));
        }
        return text;
    }
    const Sale& sale = *pos.sale;
    const Progress p = progressOf(sale);
    line("State", saleStateName(p.state));
    line("Hose", sale.hose.empty() ? "any" : sale.hose);
    line("HoseInUse", std::to_string(sale.hoseInUse));
    line("MOP", std::string(1, sale.mop));
    line("Limit", sale.limitHundredths >= kNoLimit ? "fill-up" : fixedNumber(hundredthsToMoney(static_cast<double>(sale.limitHundredths)), 2));
    line("UnitPrice", fixedNumber(sale.unitPrice, 3));
    line("Volume", fixedNumber(p.litres, 3));
    line("Amount", fixedNumber(p.amount, 2));
    return text;
}

std::string FuelingPositions::dispenserInformation(int position) const
{
    const Position& pos = at(position);
    std::string text = "Dispenser=" + std::to_string(position);
    auto line = [&text](const std::string& key, const std::string& value) { text += "\r\n" + key + "=" + value; };
    line("State", saleStateName(progress(position).state));
    line("SlowdownPoint", plainNumber(pos.slowdownPoint));
    for (int k = 1; k <= kHoses; ++k) {
        const HosePrice& price = pos.prices[static_cast<std::size_t>(k)];
        const std::string hose = "Hose" + std::to_string(k);
        line(hose + "Tier1", fixedNumber(price.tier1, 3));
        line(hose + "Tier2", fixedNumber(price.tier2, 3));
        if (price.blend) {
            const std::string blend = std::to_string(*price.blend);
            line(hose + "Blend", std::string(3 - blend.size(), '0') + blend);
        }
    }
    line("SalesPaid", std::to_string(pos.salesPaid));
    line("TotalVolume", fixedNumber(pos.paidLitres, 3));
    line("TotalAmount", fixedNumber(pos.paidAmount, 2));
    return text;
}

double FuelingPositions::dispensedLitres() const
{
    double litres = 0;
    for (int p = 1; p <= kPositions; ++p) {
        const Position& pos = at(p);
        litres += pos.paidLitres;
        if (pos.sale)
            litres += progressOf(*pos.sale).litres;
    }
    return litres;
}

} // namespace vantrel::forecourt
