// How a site file sets the fueling positions up: which are installed, and
// the hoses of a position with their grades and prices.
#include "fueling_positions.h"

#include "server/automation_error.h"

namespace vantrel::forecourt {

bool FuelingPositions::installed(int position) const
{
    return position >= 1 && position <= kPositions && m_positions[static_cast<std::size_t>(position)].installed;
}

void FuelingPositions::setInstalled(int position, bool installed)
{
    at(position).installed = installed;
}

void FuelingPositions::setHoses(int position, const std::vector<HoseSetup>& hoses)
{
    if (hoses.empty() || hoses.size() > static_cast<std::size_t>(kHoses))
        throw AutomationError(ErrorCode::InvalidValue, "a position has 1 to 8 hoses, not " + std::to_string(hoses.size()));
    Position& pos = at(position);
    pos.hoseCount = static_cast<int>(hoses.size());
    for (std::size_t k = 1; k <= static_cast<std::size_t>(kHoses); ++k) {
        const HoseSetup setup = k <= hoses.size() ? hoses[k - 1] : HoseSetup{};
        pos.prices[k] = HosePrice{setup.tier1, setup.tier2, std::nullopt};
        pos.grades[k] = HoseGrade{setup.grade, setup.gradeName};
    }
}

} // namespace vantrel::forecourt
