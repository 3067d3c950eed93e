// The simulated tank monitor: a report is started with the value 1, is
// busy for a few seconds of the clock, and is then ready with the
// inventory of every tank as it stood when the report was started
// (product, volume and ullage in litres, water in millimetres, temperature
// in degrees Celsius). The tanks lose what the fueling positions dispense.
// A tank with a low or water fault (site_faults.h) carries the alarm in the
// report started while it is set: "Alarm=LowLevel", "Alarm=HighWater".
// A site file may set other tanks (setTanks): a tank of a grade then loses
// what the hoses of that grade dispense, shared evenly with the other tanks
// of the grade.
#pragma once

#include "clock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "site_faults.h"
#include "site_state.h"

namespace vantrel::forecourt {

class FuelingPositions;

struct TankSetup {
    std::string product;
    double capacity = 0;       // litres
    double volume = 0;         // litres at start-up
    double water = 0;          // millimetres
    double temperature = 15.0; // degrees Celsius
    std::optional<int> grade;  // the grade whose sales it feeds
    double share = 0;          // without a grade: the part of all sales drawn from it
    bool operator==(const TankSetup&) const = default;
};

class TankMonitor {
public:
    // Litres dispensed by all sales so far.
    using LitresSource = std::function<double()>;
    // Litres dispensed so far from the hoses of one grade.
    using GradeLitresSource = std::function<double(int grade)>;

    TankMonitor(const Clock& clock, const FuelingPositions& sales, const SiteFaults& faults = SiteFaults::none());
    TankMonitor(const Clock& clock, LitresSource dispensedLitres, const SiteFaults& faults = SiteFaults::none());

    // Only the 16-bit integer 1 starts a report; a report already being
    // prepared cannot be started again.
    void startReport(std::int16_t value);
    // "ReportStatus=NoReport", "ReportStatus=Busy" or "ReportStatus=Ready".
    std::string reportStatus() const;
    // The finished report, or empty while none is ready.
    std::string report() const;

    static constexpr Millis kPreparationTime{5000};

    // The three tanks every site starts with.
    static std::vector<TankSetup> defaultTanks();
    // Replaces the tanks (a site file's); tank numbers count from 1 in this order.
    void setTanks(std::vector<TankSetup> tanks) { m_tanks = std::move(tanks); }
    std::size_t tankCount() const { return m_tanks.size(); }

    // The tanks as they stand now, for the board's gauges.
    std::vector<TankSnapshot> tanks() const;

private:
    bool busy() const;
    // What `tank` holds now, in litres.
    double volumeOf(const TankSetup& tank) const;

    const Clock& m_clock;
    const SiteFaults& m_faults;
    LitresSource m_dispensed;
    GradeLitresSource m_gradeDispensed;
    std::vector<TankSetup> m_tanks = defaultTanks();
    std::optional<Millis> m_readyAt;
    std::string m_report;
};

} // namespace vantrel::forecourt
