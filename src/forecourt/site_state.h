// What the simulated site shows at one moment, in plain values: every
// fueling position with its sale as of the clock now, the reader terminal at
// one position with its screen, paper and queues, the tanks, the car wash
// and the price sign. The board draws this; nothing in it refers back into
// the simulator, so a copy can be kept and compared.
#pragma once

#include "paper.h"
#include "screen_model.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::forecourt {

enum class QueueKind; // reader_terminals.h

// A position as the customer and the cashier see it. Calling: the nozzle
// is lifted with no sale authorised; Paid: the last sale was paid out and
// the nozzle is back on its hook.
enum class PositionState { Idle, Calling, Authorised, Fueling, Stopped, Completed, Paid };

// The one table of the states' names: `name` as the site's state travels
// (ReadSite's JSON), `caption` as the board's tile shows it.
struct PositionStateName {
    PositionState state;
    const char* name;
    const char* caption;
};
inline constexpr PositionStateName kPositionStates[] = {
    {PositionState::Idle, "Idle", "Idle"},
    {PositionState::Calling, "Calling", "Calling"},
    {PositionState::Authorised, "Authorised", "Authorised"},
    {PositionState::Fueling, "Fueling", "Fuelling"},
    {PositionState::Stopped, "Stopped", "Stopped"},
    {PositionState::Completed, "Completed", "Completed"},
    {PositionState::Paid, "Paid", "Paid"},
};
// "Fueling"; "?" for a value outside the enum.
const char* positionStateName(PositionState state);
// "Fuelling"; "?" for a value outside the enum.
const char* positionStateCaption(PositionState state);
// The state of that name, exactly as positionStateName gives it.
std::optional<PositionState> positionStateNamed(std::string_view name);

struct HoseTiers {
    double tier1 = 1.0, tier2 = 1.0;
    bool operator==(const HoseTiers&) const = default;
};

struct PositionSnapshot {
    int number = 0;
    PositionState state = PositionState::Idle;
    bool nozzleLifted = false;
    bool hasSale = false;
    int hoseInUse = 0;            // 0 without a sale
    char mop = 0;                 // '1', '2', 'F', 'N'; 0 without a sale
    long long limitHundredths = 0;
    bool fillUp = false;
    double unitPrice = 0;
    double litres = 0;            // the sale's, or the last paid one's when Paid
    double amount = 0;
    std::array<HoseTiers, 8> prices{}; // hoses 1..8 at index 0..7
    bool installed = true;             // false: the site file leaves the position out
    bool operator==(const PositionSnapshot&) const = default;
};

using PositionSnapshots = std::array<PositionSnapshot, 32>;

struct QueueSnapshot {
    QueueKind kind{};
    std::string name; // "Card", "Key", "Cash", "Packet", "Error"
    std::vector<std::string> entries; // top first
    std::uint64_t dropped = 0;        // entries that came while the queue was full
    bool operator==(const QueueSnapshot&) const = default;
};

struct ReaderSnapshot {
    int position = 0;
    ScreenModel screen;
    Paper paper;
    std::string keypad;
    std::string entryMode;
    bool keyEntryPending = false; // a key entry request the customer has not answered yet
    int beeps = 0;
    bool chipReaderEnabled = false;
    std::vector<QueueSnapshot> queues; // Card, Key, Cash, Packet, Error
    bool operator==(const ReaderSnapshot&) const = default;
};

struct TankSnapshot {
    int number = 0;
    std::string product;
    double capacity = 0, volume = 0, water = 0, temperature = 0;
    bool operator==(const TankSnapshot&) const = default;
};

struct WashCodeSnapshot {
    std::string code;
    int program = 0;
    std::string state; // "Unused", "Used", "Cancelled"
    bool operator==(const WashCodeSnapshot&) const = default;
};

struct CarWashSnapshot {
    std::vector<WashCodeSnapshot> codes; // in the order issued, the newest kWashCodes
    bool washing = false;
    std::string washCode;
    int washProgram = 0;
    long secondsLeft = 0;
    std::uint64_t droppedCodes = 0; // older codes no longer kept
    bool operator==(const CarWashSnapshot&) const = default;
};

// The simulated customers sent to the site (traffic.h): the rate, the seed
// of their choices, and how many have come and gone.
struct TrafficSnapshot {
    double customersPerMinute = 0; // 0: no traffic
    std::uint64_t seed = 1;
    std::uint64_t served = 0;       // customers who fuelled, paid and left
    std::uint64_t leftUnserved = 0; // customers who left without fuel (no free pump, a refusal, a fault)
    int atSite = 0;                 // customers at the pumps now
    bool operator==(const TrafficSnapshot&) const = default;
};

struct SiteState {
    std::uint64_t version = 0; // the simulator's change count when read
    long long clockMs = 0;
    bool timeDriven = false; // something moves with the clock: a sale, a wash, a due key entry, a report
    PositionSnapshots positions{};
    ReaderSnapshot reader;
    std::vector<TankSnapshot> tanks;
    std::string tankReportStatus, tankReport;
    CarWashSnapshot carWash;
    std::string signIntensity;
    std::array<std::string, 5> signLines;
    // The faults set, one a line in their text form ("position 3 offline", fault_command.h).
    std::vector<std::string> faults;
    TrafficSnapshot traffic;
    bool operator==(const SiteState&) const = default;
};

} // namespace vantrel::forecourt
