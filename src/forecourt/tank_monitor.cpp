#include "tank_monitor.h"

#include "fueling_positions.h"
#include "site_devices.h"

#include "server/automation_error.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vantrel::forecourt {

namespace {

struct Tank {
    const char* product;
    double capacity;    // litres
    double startVolume; // litres at start-up
    double share;       // part of all sales drawn from this tank
    double water;       // millimetres
    double temperature; // degrees Celsius
};

constexpr std::array<Tank, 3> kTanks = {{
    {"Unleaded", 30000, 21000, 0.5, 8.0, 15.2},
    {"Premium", 20000, 12500, 0.2, 0.0, 14.6},
    {"Diesel", 30000, 24000, 0.3, 15.0, 13.9},
}};
static_assert(kTanks.size() == kTankCount, "the fault lines name the tanks 1 to kTankCount");

} // namespace

TankMonitor::TankMonitor(const Clock& clock, const FuelingPositions& sales, const SiteFaults& faults)
    : TankMonitor(clock, [&sales] { return sales.dispensedLitres(); }, faults)
{
}

TankMonitor::TankMonitor(const Clock& clock, LitresSource dispensedLitres, const SiteFaults& faults)
    : m_clock(clock), m_faults(faults), m_dispensed(std::move(dispensedLitres))
{
}

bool TankMonitor::busy() const { return m_readyAt && m_clock.now() < *m_readyAt; }

void TankMonitor::startReport(std::int16_t value)
{
    if (value != 1)
        throw AutomationError(ErrorCode::TankMonitorStartValue, "not " + std::to_string(value));
    if (busy())
        throw AutomationError(ErrorCode::TankMonitorBusy,
                              "a report is being prepared, ready in " +
                                  std::to_string((*m_readyAt - m_clock.now()).count()) + " ms");
    const Millis now = m_clock.now();
    const double dispensed = std::max(0.0, m_dispensed ? m_dispensed() : 0.0);
    using devicetext::oneDecimal;
    std::string text;
    addLine(text, "ReportSeconds", std::to_string(now.count() / 1000));
    addLine(text, "TankCount", std::to_string(kTanks.size()));
    int number = 0;
    for (const auto& tank : kTanks) {
        // Volume and ullage add up to the capacity as printed.
        const double volume = std::round(std::max(0.0, tank.startVolume - tank.share * dispensed) * 10.0) / 10.0;
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
    const double dispensed = std::max(0.0, m_dispensed ? m_dispensed() : 0.0);
    std::vector<TankSnapshot> out;
    int number = 0;
    for (const auto& tank : kTanks)
        out.push_back({++number, tank.product, tank.capacity, std::max(0.0, tank.startVolume - tank.share * dispensed),
                       tank.water, tank.temperature});
    return out;
}

} // namespace vantrel::forecourt
