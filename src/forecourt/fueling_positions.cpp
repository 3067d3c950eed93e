#include "fueling_positions.h"

#include "price_record.h"
#include "text_helpers.h"

#include "server/automation_error.h"
#include "server/conversions.h"
#include "server/records.h"

#include <algorithm>
#include <cctype>
#include <cmath>

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

double hundredthsToMoney(double hundredths) { return hundredths / 100.0; }
double roundToHundredths(double money) { return std::round(money * 100.0) / 100.0; }

[[noreturn]] void invalid(const std::string& detail) { throw AutomationError(ErrorCode::InvalidValue, detail); }

[[noreturn]] void conflict(ErrorCode code, int position, const std::string& detail)
{
    throw AutomationError(code, "position " + rec::positionText(position) + " " + detail);
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
    const auto priced = readPriceRecord(record);
    if (!priced)
        return;
    Position& pos = at(priced->position);
    if (priced->slowdownPoint)
        pos.slowdownPoint = *priced->slowdownPoint;
    for (const auto& h : priced->hoses)
        pos.prices[static_cast<std::size_t>(h.hose)] = HosePrice{h.tier1, h.tier2, h.blend};
}

std::string FuelingPositions::positionInformation(int position) const
{
    const Position& pos = at(position);
    std::string text = "FuelingPosition=" + std::to_string(position);
    if (!pos.sale) {
        addLine(text, "State", pos.nozzleLifted ? "Calling" : "Idle");
        if (pos.lastSale) {
            addLine(text, "LastSaleVolume", fixedNumber(pos.lastSale->litres, 3));
            addLine(text, "LastSaleAmount", fixedNumber(pos.lastSale->amount, 2));
        }
        return text;
    }
    const Sale& sale = *pos.sale;
    const Progress p = progressOf(sale);
    addLine(text, "State", saleStateName(p.state));
    addLine(text, "Hose", sale.hose.empty() ? "any" : sale.hose);
    addLine(text, "HoseInUse", std::to_string(sale.hoseInUse));
    addLine(text, "MOP", std::string(1, sale.mop));
    addLine(text, "Limit", sale.limitHundredths >= kNoLimit ? "fill-up" : fixedNumber(hundredthsToMoney(static_cast<double>(sale.limitHundredths)), 2));
    addLine(text, "UnitPrice", fixedNumber(sale.unitPrice, 3));
    addLine(text, "Volume", fixedNumber(p.litres, 3));
    addLine(text, "Amount", fixedNumber(p.amount, 2));
    return text;
}

std::string FuelingPositions::dispenserInformation(int position) const
{
    const Position& pos = at(position);
    std::string text = "Dispenser=" + std::to_string(position);
    addLine(text, "State", saleStateName(progress(position).state));
    addLine(text, "SlowdownPoint", plainNumber(pos.slowdownPoint));
    for (int k = 1; k <= kHoses; ++k) {
        const HosePrice& price = pos.prices[static_cast<std::size_t>(k)];
        const std::string hose = "Hose" + std::to_string(k);
        addLine(text, hose + "Tier1", fixedNumber(price.tier1, 3));
        addLine(text, hose + "Tier2", fixedNumber(price.tier2, 3));
        if (price.blend) {
            const std::string blend = std::to_string(*price.blend);
            addLine(text, hose + "Blend", std::string(3 - blend.size(), '0') + blend);
        }
    }
    addLine(text, "SalesPaid", std::to_string(pos.salesPaid));
    addLine(text, "TotalVolume", fixedNumber(pos.paidLitres, 3));
    addLine(text, "TotalAmount", fixedNumber(pos.paidAmount, 2));
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

void FuelingPositions::liftNozzle(int position) { at(position).nozzleLifted = true; }

void FuelingPositions::hangNozzle(int position)
{
    Position& pos = at(position);
    pos.nozzleLifted = false;
    if (!pos.sale)
        return;
    const Progress p = progressOf(*pos.sale);
    if (p.litres > 0 && (p.state == SaleState::Fueling || p.state == SaleState::Stopped)) {
        halt(*pos.sale);
        pos.sale->ended = true; // the fuel drawn still has to be paid out
    }
}

bool FuelingPositions::anyRunning() const
{
    for (int p = 1; p <= kPositions; ++p) {
        const auto& sale = at(p).sale;
        if (sale && sale->runningSince && !sale->ended) {
            const auto state = progressOf(*sale).state;
            if (state == SaleState::Authorised || state == SaleState::Fueling)
                return true;
        }
    }
    return false;
}

void FuelingPositions::snapshot(int position, PositionSnapshot& out) const
{
    const Position& pos = at(position);
    out.number = position;
    out.nozzleLifted = pos.nozzleLifted;
    for (int k = 1; k <= kHoses; ++k) {
        const HosePrice& price = pos.prices[static_cast<std::size_t>(k)];
        out.prices[static_cast<std::size_t>(k - 1)] = {price.tier1, price.tier2};
    }
    out.hasSale = pos.sale.has_value();
    if (!pos.sale) {
        out.state = pos.nozzleLifted ? PositionState::Calling : pos.lastSale ? PositionState::Paid : PositionState::Idle;
        out.hoseInUse = 0;
        out.mop = 0;
        out.limitHundredths = 0;
        out.fillUp = false;
        out.unitPrice = 0;
        out.litres = pos.lastSale && !pos.nozzleLifted ? pos.lastSale->litres : 0;
        out.amount = pos.lastSale && !pos.nozzleLifted ? pos.lastSale->amount : 0;
        return;
    }
    const Sale& sale = *pos.sale;
    const Progress p = progressOf(sale);
    switch (p.state) {
    case SaleState::Idle: out.state = PositionState::Idle; break;
    case SaleState::Authorised: out.state = PositionState::Authorised; break;
    case SaleState::Fueling: out.state = PositionState::Fueling; break;
    case SaleState::Stopped: out.state = PositionState::Stopped; break;
    case SaleState::Completed: out.state = PositionState::Completed; break;
    }
    out.hoseInUse = sale.hoseInUse;
    out.mop = sale.mop;
    out.limitHundredths = sale.limitHundredths;
    out.fillUp = sale.limitHundredths >= kNoLimit;
    out.unitPrice = sale.unitPrice;
    out.litres = p.litres;
    out.amount = p.amount;
}

} // namespace vantrel::forecourt
