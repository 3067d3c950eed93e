// The 32 fueling positions of the simulated forecourt: sale state,
// authorisation, stop and resume, payout, and hose prices.
#pragma once

#include "clock.h"
#include "record_parser.h"

#include <array>
#include <string>

namespace vantrel::forecourt {

class FuelingPositions {
public:
    explicit FuelingPositions(const Clock& clock);

    void authorize(const ParsedRecord& record);
    void deauthorize(int position);
    void stop(int position); // 0 stops every position
    void resume(int position);
    void payOut(int position);
    void setPrices(const ParsedRecord& record);

    std::string positionInformation(int position) const;
    std::string dispenserInformation(int position) const;
    // Litres drawn by all sales so far, for the tank monitor.
    double dispensedLitres() const;

private:
    struct Position {
        std::string state = "Idle";
        std::string lastCommand;
    };
    const Clock& m_clock;
    std::array<Position, 33> m_positions{}; // index 1..32
};

} // namespace vantrel::forecourt
