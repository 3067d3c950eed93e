#include "fueling_positions.h"

namespace vantrel::forecourt {

FuelingPositions::FuelingPositions(const Clock& clock) : m_clock(clock) {}

void FuelingPositions::authorize(const ParsedRecord& record)
{
    const int position = parsePosition(record.require("FuelingPosition"));
    m_positions[position].state = "Authorised";
    m_positions[position].lastCommand = "Authorize";
}

void FuelingPositions::deauthorize(int position)
{
    m_positions[position].state = "Idle";
    m_positions[position].lastCommand = "Deauthorize";
}

void FuelingPositions::stop(int position)
{
    for (int p = 1; p <= 32; ++p)
        if (position == 0 || p == position)
            m_positions[p].lastCommand = "Stop";
}

void FuelingPositions::resume(int position) { m_positions[position].lastCommand = "Resume"; }
void FuelingPositions::payOut(int position) { m_positions[position].lastCommand = "PayOutSale"; }

void FuelingPositions::setPrices(const ParsedRecord& record)
{
    const int position = parsePosition(record.require("FuelingPosition"));
    m_positions[position].lastCommand = "Price";
}

std::string FuelingPositions::positionInformation(int position) const
{
    const auto& p = m_positions[position];
    return "FuelingPosition=" + std::to_string(position) + "\r\nState=" + p.state +
           "\r\nLastCommand=" + (p.lastCommand.empty() ? "none" : p.lastCommand);
}

std::string FuelingPositions::dispenserInformation(int position) const
{
    return "Dispenser=" + std::to_string(position) + "\r\nState=" + m_positions[position].state;
}

double FuelingPositions::dispensedLitres() const { return 0; }

} // namespace vantrel::forecourt
