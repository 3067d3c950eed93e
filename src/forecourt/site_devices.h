// The site's devices beside the fueling positions: car wash controller,
// tank monitor and price sign.
#pragma once

#include "clock.h"
#include "record_parser.h"

#include <cstdint>
#include <string>

namespace vantrel::forecourt {

class FuelingPositions;

class CarWash {
public:
    explicit CarWash(const Clock& clock);
    void request(const std::string& record);
    std::string requestStatus() const;
    std::string operationStatus() const;
    std::string dataRead();

private:
    const Clock& m_clock;
    std::string m_lastRequest;
};

class TankMonitor {
public:
    TankMonitor(const Clock& clock, const FuelingPositions& sales);
    void startReport(std::int16_t value);
    std::string reportStatus() const;
    std::string report() const;

private:
    const Clock& m_clock;
    const FuelingPositions& m_sales;
    bool m_started = false;
};

class PriceSign {
public:
    void send(const std::string& record);
    std::string read() const;

private:
    std::string m_intensity = "M05";
    std::string m_lines[5];
};

} // namespace vantrel::forecourt
