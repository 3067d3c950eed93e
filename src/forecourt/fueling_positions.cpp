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

FuelingPositions::FuelingPositions(const Clock& clock, const SiteFaults& faults) : m_clock(clock), m_faults(faults) {}

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

void FuelingPositions::checkHose(int position, int hose) const
{
    const int count = at(position).hoseCount;
    if (hose > count)
        invalid("position " + rec::positionText(position) + " has " +
                (count == 1 ? std::string("hose 1 only") : "hoses 1 to " + std::to_string(count)) + ", not hose " +
                std::to_string(hose));
}

int FuelingPositions::gradeOf(const Position& pos, const Sale& sale) const
{
    return pos.grades[static_cast<std::size_t>(sale.hoseInUse)].number;
}

bool FuelingPositions::offline(int position) const
{
    return m_faults.has(FaultDevice::Position, position, FaultKind::Offline);
}

FuelingPositions::Position& FuelingPositions::answering(int position)
{
    Position& pos = at(position);
    if (!pos.installed)
        throw AutomationError(ErrorCode::PositionNotInstalled, "position " + rec::positionText(position));
    if (offline(position))
        throw AutomationError(ErrorCode::PositionNotAnswering, "position " + rec::positionText(position));
    return pos;
}

const FuelingPositions::Position& FuelingPositions::answering(int position) const
{
    return const_cast<FuelingPositions*>(this)->answering(position);
}

void FuelingPositions::checkNoDeviceError(int position, const char* refused) const
{
    if (const FaultCommand* error = m_faults.find(FaultDevice::Position, position, FaultKind::Error))
        throw AutomationError(ErrorCode::PumpDeviceError, "position " + rec::positionText(position) + " reports error " +
                                                              std::to_string(error->value) + " and cannot be " + refused);
}

Millis FuelingPositions::runningTime(const Sale& sale) const
{
    return sale.ranBefore + (sale.runningSince ? m_clock.now() - *sale.runningSince : Millis(0));
}

void FuelingPositions::halt(Sale& sale) const
{
    sale.ranBefore = runningTime(sale);
    if (const Flow flow = flowOf(sale); flow.shortStop)
        sale.ranBefore = std::min(sale.ranBefore, timeToDraw(flow, flow.target));
    sale.runningSince.reset();
}

FuelingPositions::Flow FuelingPositions::flowOf(const Sale& sale) const
{
    // Litres at which the sale ends, and at which the flow slows down.
    const bool fillUp = sale.limitHundredths >= kNoLimit;
    Flow flow{kTankLitres, kTankLitres, false};
    if (!fillUp) {
        const double limit = hundredthsToMoney(static_cast<double>(sale.limitHundredths));
        const double atLimit = limit / sale.unitPrice;
        if (atLimit < flow.target) {
            flow.target = atLimit;
            flow.slowFrom = std::max(0.0, (limit - sale.slowdown) / sale.unitPrice);
        }
    }
    if (sale.stopAtLitres && *sale.stopAtLitres < flow.target) {
        flow.target = *sale.stopAtLitres;
        flow.shortStop = true;
    }
    flow.slowFrom = std::min(flow.slowFrom, flow.target);
    return flow;
}

Millis FuelingPositions::timeToDraw(const Flow& flow, double litres)
{
    const double seconds = litres <= flow.slowFrom ? litres / kFastFlow
                                                   : flow.slowFrom / kFastFlow + (litres - flow.slowFrom) / kSlowFlow;
    return kNozzleLift + Millis(std::llround(seconds * 1000.0));
}

FuelingPositions::Progress FuelingPositions::progressOf(const Sale& sale) const
{
    const Flow flow = flowOf(sale);
    const double fastSeconds = flow.slowFrom / kFastFlow;
    const Millis finish = timeToDraw(flow, flow.target);

    const Millis t = runningTime(sale);
    Progress p;
    if (t >= finish) {
        p.litres = flow.target;
    } else if (t > kNozzleLift) {
        const double s = std::chrono::duration<double>(t - kNozzleLift).count();
        p.litres = s <= fastSeconds ? s * kFastFlow : flow.slowFrom + (s - fastSeconds) * kSlowFlow;
        p.litres = std::min(p.litres, flow.target);
    }
    p.amount = roundToHundredths(p.litres * sale.unitPrice);
    if (sale.ended || (t >= finish && !flow.shortStop))
        p.state = SaleState::Completed;
    else if (t >= finish || (!sale.runningSince && !sale.stalled))
        p.state = SaleState::Stopped; // stopped, or stopped short by a stop-at fault
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
    Position& pos = answering(position);

    Sale sale;
    sale.hose = trim(record.find("Hose").value_or(""));
    sale.hoseInUse = hoseFromRecord(sale.hose);
    checkHose(position, sale.hoseInUse);

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
    checkNoDeviceError(position, "authorised");

    const HosePrice& price = pos.prices[static_cast<std::size_t>(sale.hoseInUse)];
    sale.unitPrice = sale.mop == '2' ? price.tier2 : price.tier1;
    sale.slowdown = hundredthsToMoney(pos.slowdownPoint);
    sale.runningSince = m_clock.now();
    pos.sale = sale;
    applyFaults(position);
}

void FuelingPositions::deauthorize(int position)
{
    Position& pos = answering(position);
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
    // Stopping all stops every position that answers, then says which did not.
    if (position != 0)
        answering(position);
    std::string silent;
    for (int p = position == 0 ? 1 : position; p <= (position == 0 ? kPositions : position); ++p) {
        if (!at(p).installed)
            continue; // not there: nothing to stop, and no silence to tell
        if (offline(p)) {
            silent += (silent.empty() ? "" : ", ") + rec::positionText(p);
            continue;
        }
        auto& sale = at(p).sale;
        if (sale && sale->stalled)
            sale->stalled = false; // held already: now stopped
        else if (sale && sale->runningSince && progressOf(*sale).state != SaleState::Completed)
            halt(*sale);
    }
    if (!silent.empty())
        throw AutomationError(ErrorCode::PositionNotAnswering, "position " + silent + " (the others stopped)");
}

void FuelingPositions::resume(int position)
{
    Position& pos = answering(position);
    const auto state = pos.sale ? progressOf(*pos.sale).state : SaleState::Idle;
    if (state != SaleState::Stopped)
        conflict(ErrorCode::NotStopped, position,
                 std::string("is ") + saleStateName(state) + ", not stopped; there is nothing to resume");
    checkNoDeviceError(position, "resumed");
    if (pos.sale->runningSince)
        halt(*pos.sale); // stopped short by a stop-at fault: it goes on from there
    pos.sale->runningSince = m_clock.now();
    applyFaults(position);
}

void FuelingPositions::payOut(int position)
{
    Position& pos = answering(position);
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
    if (const int grade = gradeOf(pos, *pos.sale))
        m_paidByGrade[grade] += p.litres;
    pos.lastSale = p;
    pos.sale.reset();
}

void FuelingPositions::setPrices(const ParsedRecord& record)
{
    const auto priced = readPriceRecord(record);
    if (!priced)
        return;
    Position& pos = answering(priced->position);
    for (const auto& h : priced->hoses)
        checkHose(priced->position, h.hose); // the whole record, before any of it applies
    if (priced->slowdownPoint)
        pos.slowdownPoint = *priced->slowdownPoint;
    for (const auto& h : priced->hoses)
        pos.prices[static_cast<std::size_t>(h.hose)] = HosePrice{h.tier1, h.tier2, h.blend};
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

double FuelingPositions::dispensedLitres(int grade) const
{
    const auto paid = m_paidByGrade.find(grade);
    double litres = paid == m_paidByGrade.end() ? 0.0 : paid->second;
    for (int p = 1; p <= kPositions; ++p) {
        const Position& pos = at(p);
        if (pos.sale && gradeOf(pos, *pos.sale) == grade)
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

} // namespace vantrel::forecourt
