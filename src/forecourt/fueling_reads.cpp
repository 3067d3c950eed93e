// What the fueling positions report (the two information reads and the
// board's snapshot), and what the faults set on a position do to its sale.
#include "fueling_positions.h"

#include "text_helpers.h"

#include "server/conversions.h"

#include <algorithm>

namespace vantrel::forecourt {

std::string FuelingPositions::positionInformation(int position) const
{
    const Position& pos = answering(position);
    std::string text = "FuelingPosition=" + std::to_string(position);
    if (!pos.sale) {
        addLine(text, "State", pos.nozzleLifted ? "Calling" : "Idle");
        addDeviceError(text, position);
        if (pos.lastSale) {
            addLine(text, "LastSaleVolume", fixedNumber(pos.lastSale->litres, 3));
            addLine(text, "LastSaleAmount", fixedNumber(pos.lastSale->amount, 2));
        }
        return text;
    }
    const Sale& sale = *pos.sale;
    const Progress p = progressOf(sale);
    addLine(text, "State", saleStateName(p.state));
    addDeviceError(text, position);
    addLine(text, "Hose", sale.hose.empty() ? "any" : sale.hose);
    addLine(text, "HoseInUse", std::to_string(sale.hoseInUse));
    addLine(text, "MOP", std::string(1, sale.mop));
    addLine(text, "Limit", sale.limitHundredths >= kNoLimit ? "fill-up" : fixedNumber(static_cast<double>(sale.limitHundredths) / 100.0, 2));
    addLine(text, "UnitPrice", fixedNumber(sale.unitPrice, 3));
    addLine(text, "Volume", fixedNumber(p.litres, 3));
    addLine(text, "Amount", fixedNumber(p.amount, 2));
    return text;
}

std::string FuelingPositions::dispenserInformation(int position) const
{
    const Position& pos = answering(position);
    std::string text = "Dispenser=" + std::to_string(position);
    addLine(text, "State", saleStateName(progress(position).state));
    addDeviceError(text, position);
    addLine(text, "SlowdownPoint", plainNumber(pos.slowdownPoint));
    for (int k = 1; k <= pos.hoseCount; ++k) {
        const HosePrice& price = pos.prices[static_cast<std::size_t>(k)];
        const std::string hose = "Hose" + std::to_string(k);
        if (const HoseGrade& grade = pos.grades[static_cast<std::size_t>(k)]; grade.number != 0) {
            addLine(text, hose + "Grade", std::to_string(grade.number));
            addLine(text, hose + "Product", grade.name);
        }
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

void FuelingPositions::snapshot(int position, PositionSnapshot& out) const
{
    const Position& pos = at(position);
    out.number = position;
    out.installed = pos.installed;
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

void FuelingPositions::addDeviceError(std::string& text, int position) const
{
    if (const FaultCommand* error = m_faults.find(FaultDevice::Position, position, FaultKind::Error))
        addLine(text, "DeviceError", std::to_string(error->value));
}

void FuelingPositions::applyFaults(int position)
{
    auto& sale = at(position).sale;
    if (!sale || sale->ended || progressOf(*sale).state == SaleState::Completed)
        return;
    // A sale that has reached its stop-at amount stays where it stopped,
    // whatever becomes of the fault: only Resume lets it go on.
    if (sale->stopAtLitres && sale->runningSince && progressOf(*sale).state == SaleState::Stopped)
        halt(*sale);
    if (const FaultCommand* stopAt = m_faults.find(FaultDevice::Position, position, FaultKind::StopAt))
        sale->stopAtLitres = std::max(progressOf(*sale).litres, static_cast<double>(stopAt->value) / 100.0 / sale->unitPrice);
    else
        sale->stopAtLitres.reset();
    const bool error = m_faults.has(FaultDevice::Position, position, FaultKind::Error);
    const bool stall = !error && m_faults.has(FaultDevice::Position, position, FaultKind::Stall);
    if (error) {
        if (sale->runningSince)
            halt(*sale);
        sale->stalled = false; // the device error stops it
    } else if (stall && sale->runningSince) {
        halt(*sale);
        sale->stalled = true;
    } else if (!stall && sale->stalled) {
        sale->stalled = false;
        sale->runningSince = m_clock.now();
    }
}

} // namespace vantrel::forecourt
