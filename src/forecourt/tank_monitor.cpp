#include "tank_monitor.h"

#include "fueling_positions.h"
#include "site_devices.h"

#include "server/automation_error.h"

#include <algorithm>
#include <cmath>

namespace vantrel::forecourt {

std::vector<TankSetup> TankMonitor::defaultTanks()
{
    // product, capacity, volume, water, temperature, grade, share of all sales
    std::vector<TankSetup> tanks = {
        {"Unleaded", 30000, 21000, 8.0, 15.2, std::nullopt, 0.5},
        {"Premium", 20000, 12500, 0.0, 14.6, std::nullopt, 0.2},
        {"Diesel", 30000, 24000, 15.0, 13.9, std::nullopt, 0.3},
    };
    return tanks;
}

TankMonitor::TankMonitor(const Clock& clock, const FuelingPositions& sales, const SiteFaults& faults)
    : TankMonitor(clock, [&sales] { return sales.dispensedLitres(); }, faults)
{
    m_gradeDispensed = [&sales](int grade) { return sales.dispensedLitres(grade); };
}

TankMonitor::TankMonitor(const Clock& clock, LitresSource dispensedLitres, const SiteFaults& faults)
    : m_clock(clock), m_faults(faults), m_dispensed(std::move(dispensedLitres))
{
}

bool TankMonitor::busy() const { return m_readyAt && m_clock.now() < *m_readyAt; }

double TankMonitor::volumeOf(const TankSetup& tank) const
{
    double drawn = 0;
    if (tank.grade) {
        const auto sharing = std::count_if(m_tanks.begin(), m_tanks.end(), [&](const TankSetup& t) { return t.grade == tank.grade; });
        drawn = m_gradeDispensed ? std::max(0.0, m_gradeDispensed(*tank.grade)) / static_cast<double>(sharing) : 0.0;
    } else {
        drawn = tank.share * std::max(0.0, m_dispensed ? m_dispensed() : 0.0);
    }
    return std::max(0.0, tank.volume - drawn);
}

void TankMonitor::startReport(std::int16_t value)
{
    if (value != 1)
        throw AutomationError(ErrorCode::TankMonitorStartValue, "not " + std::to_string(value));
    if (busy())
        throw AutomationError(ErrorCode::TankMonitorBusy,
                              "a report is being prepared, ready in " +
                                  std::to_string((*m_readyAt - m_clock.now()).count()) + " ms");
    const Millis now = m_clock.now();
    using devicetext::oneDecimal;
    std::string text;
    addLine(text, "ReportSeconds", std::to_string(now.count() / 1000));
    addLine(text, "TankCount", std::to_string(m_tanks.size()));
    int number = 0;
    for (const auto& tank : m_tanks) {
        // Volume and ullage add up to the capacity as printed.
        const double volume = std::round(volumeOf(tank) * 10.0) / 10.0;
        addLine(text, "Tank", std::to_string(++number));
        addLine(text, "Product", tank.product);
        addLine(text, "Volume", oneDecimal(volume));
        addLine(text, "Ullage", oneDecimal(tank.capacity - volume));
        addLine(text, "Water", oneDecimal(tank.water));
        addLine(text, "Temperature", oneDecimal(tank.temperature));
        if (m_faults.has(FaultDevice::Tank, number, FaultKind::Low))
            addLine(text, "Alarm", "LowLevel");
        if (m_faults.has(FaultDevice::Tank, number, FaultKind::Water))
            addLine(text, "Alarm", "HighWater");
    }
    m_report = std::move(text);
    m_readyAt = now + kPreparationTime;
}

std::string TankMonitor::reportStatus() const
{
    if (!m_readyAt)
        return "ReportStatus=NoReport";
    return busy() ? "ReportStatus=Busy" : "ReportStatus=Ready";
}

std::string TankMonitor::report() const { return m_readyAt && !busy() ? m_report : std::string(); }

std::vector<TankSnapshot> TankMonitor::tanks() const
{
    std::vector<TankSnapshot> out;
    int number = 0;
    for (const auto& tank : m_tanks)
        out.push_back({++number, tank.product, tank.capacity, volumeOf(tank), tank.water, tank.temperature});
    return out;
}

} // namespace vantrel::forecourt
