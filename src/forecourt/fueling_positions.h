// The 32 fueling positions of the simulated forecourt: the sale at each
// position, its hose prices and what the information reads report.
//
// A sale moves Idle -> Authorised -> Fueling -> Completed -> (PayOutSale)
// Idle. Stop halts a sale that is Authorised or Fueling (Stopped), Resume
// lets it go on where it halted. Deauthorize cancels an authorisation that
// has drawn no fuel (back to Idle); once fuel has been drawn it ends the
// delivery instead, so the sale is Completed and still has to be paid out.
// Commands that make no sense in the present state (resume a position that
// is not stopped, pay out a sale that has not finished, de-authorise an idle
// position, authorise a position that has a sale) raise numbered errors.
// Stop never does: stopping is always safe, and a position without a
// running sale is left as it is.
//
// Nothing runs by itself: the state is worked out from the clock whenever
// the positions are asked something. After authorisation the customer takes
// kNozzleLift to lift the nozzle; fuel then flows at kFastFlow litres per
// second, and at kSlowFlow once the amount is within the slow-down point of
// the limit. A sale ends when its limit is reached or when the vehicle's
// tank is full (kTankLitres), whichever comes first.
//
// Units, as the records carry them:
// - Limit: a money amount in hundredths of the currency unit ("001500" is
//   15.00). 999999 and above mean no limit: a fill-up.
// - Tier prices: price per litre. A value with a decimal point is in
//   currency units ("1.999"); a whole number is in thousandths ("1111" is
//   1.111), as dispensers keep their four-digit prices. A price above
//   kHighestPrice is refused, so that a sale's amount, even of a full tank,
//   stays a finite number.
// - SlowdownPoint: a money amount in hundredths, like the limit.
// - Hose: "0" (or no hose line) lets the customer use any hose; the
//   simulated customer takes hose 1. "1".."8" is that hose. "M" and eight
//   0/1 digits locks a set of hoses, the rightmost digit for hose 1; the
//   customer takes the lowest hose of the set.
// - MOP: "1", "N" (not chosen yet) and "F" (fill-up) sell at the tier 1
//   price, "2" at the tier 2 price. The price is fixed when authorised.
//
// Faults set on a position (site_faults.h) act on it: an offline position
// answers no member call (error 1105), a device error stops its sale and
// refuses authorisations and resumes (1106), a stall lets an authorised sale
// draw no fuel, and a stop-at amount stops a sale there, short of its limit.
//
// Every position starts with 1.000 on both tiers of hoses 1 to 8 and a
// slow-down point of 0. A price record changes the hoses it lists and
// leaves the others as they were; a record without any line (the NUL
// alone) changes nothing. Refused records change nothing.
//
// A site file may leave positions out (not installed: every member call for
// one is error 1107) and give a position fewer hoses, each of a grade with
// its prices (setHoses); a hose the position does not have cannot be
// authorised or priced (error 1006).
#pragma once

#include "clock.h"
#include "record_parser.h"
#include "site_faults.h"
#include "site_state.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantrel::forecourt {

enum class SaleState { Idle, Authorised, Fueling, Stopped, Completed };
const char* saleStateName(SaleState state);

class FuelingPositions {
public:
    static constexpr int kPositions = 32;
    static constexpr int kHoses = 8;
    static constexpr Millis kNozzleLift{2000};
    static constexpr double kFastFlow = 0.5;  // litres per second
    static constexpr double kSlowFlow = 0.1;  // litres per second near the limit
    static constexpr double kTankLitres = 42.5;
    static constexpr long long kNoLimit = 999999; // hundredths; this and above: fill-up
    static constexpr double kHighestPrice = 1e300; // per litre

    explicit FuelingPositions(const Clock& clock, const SiteFaults& faults = SiteFaults::none());

    // Whether the site has a dispenser at `position` (1..32); every position
    // is installed unless a site file leaves it out. Out of range: false.
    bool installed(int position) const;
    void setInstalled(int position, bool installed);

    // A site file's hoses for a position, hose 1 first (1 to kHoses of them).
    struct HoseSetup {
        int grade = 0;         // 0: none
        std::string gradeName; // as DispenserInformation reports it
        double tier1 = 1.0, tier2 = 1.0;
    };
    void setHoses(int position, const std::vector<HoseSetup>& hoses);
    int hoseCount(int position) const { return at(position).hoseCount; }

    void authorize(const ParsedRecord& record);
    void deauthorize(int position);
    void stop(int position); // 0 stops every position; no running sale: nothing happens
    void resume(int position);
    void payOut(int position);
    void setPrices(const ParsedRecord& record);

    // key=value lines, CR LF between them.
    std::string positionInformation(int position) const;
    std::string dispenserInformation(int position) const;
    // Litres drawn by all sales so far (paid out or not), for the tank monitor;
    // with a grade, those drawn from the hoses of that grade.
    double dispensedLitres() const;
    double dispensedLitres(int grade) const;

    // The sale at a position as it stands now.
    struct Progress {
        SaleState state = SaleState::Idle;
        double litres = 0;
        double amount = 0; // currency units, rounded to hundredths
    };
    Progress progress(int position) const;

    // The customer at the pump. Lifting the nozzle at an idle position makes
    // it call for authorisation; hanging it up while fuel flows ends the
    // delivery, as Deauthorize does once fuel has been drawn.
    void liftNozzle(int position);
    void hangNozzle(int position);
    bool nozzleLifted(int position) const { return at(position).nozzleLifted; }
    // The position as the board shows it, as of the clock now.
    void snapshot(int position, PositionSnapshot& out) const;
    // True while a sale at some position still grows with the clock.
    bool anyRunning() const;
    // Brings the sale at `position` in line with the faults set there, as of
    // now: a device error halts it, a stall holds its flow, a stop-at amount
    // ends its flow there. A stall cleared lets it flow again; a sale stopped
    // by a fault stays stopped until it is resumed.
    void applyFaults(int position);

private:
    struct HosePrice {
        double tier1 = 1.0;
        double tier2 = 1.0;
        std::optional<int> blend;
    };
    struct Sale {
        std::string hose;            // as authorised; empty when no hose line
        int hoseInUse = 1;
        char mop = '1';              // '1', '2', 'F' or 'N'
        long long limitHundredths = 0;
        double unitPrice = 1.0;      // per litre, fixed at authorisation
        double slowdown = 0;         // currency units before the limit
        Millis ranBefore{0};         // running time before the present run
        std::optional<Millis> runningSince; // empty while stopped, stalled or ended
        bool ended = false;          // Deauthorize ended the delivery
        bool stalled = false;        // held by a stall: authorised, but no fuel flows
        std::optional<double> stopAtLitres; // a stop-at fault ends the flow here
    };
    // Where a sale's flow ends and slows down, in litres.
    struct Flow {
        double target = 0, slowFrom = 0;
        bool shortStop = false; // the target is a stop-at fault's, short of the limit
    };
    struct HoseGrade {
        int number = 0; // 0: none
        std::string name;
    };
    struct Position {
        std::optional<Sale> sale;
        double slowdownPoint = 0;    // hundredths, as sent
        std::array<HosePrice, kHoses + 1> prices{}; // index 1..8
        int salesPaid = 0;
        double paidLitres = 0;
        double paidAmount = 0;
        std::optional<Progress> lastSale;
        bool nozzleLifted = false;
        bool installed = true;
        int hoseCount = kHoses;
        std::array<HoseGrade, kHoses + 1> grades{}; // index 1..8
    };

    Position& at(int position);
    const Position& at(int position) const;
    // The position a member call is for: error 1107 when it is not
    // installed, 1105 when it is offline.
    Position& answering(int position);
    const Position& answering(int position) const;
    bool offline(int position) const;
    // Error 1106 when the position reports a device error.
    void checkNoDeviceError(int position, const char* refused) const;
    Millis runningTime(const Sale& sale) const;
    Flow flowOf(const Sale& sale) const;
    // The running time at which a sale has drawn `litres` along its flow.
    static Millis timeToDraw(const Flow& flow, double litres);
    Progress progressOf(const Sale& sale) const;
    // Freezes the running time of a sale at the present moment (or where a stop-at fault ended its flow).
    void halt(Sale& sale) const;
    // The position's lines of its device error, for the information reads.
    void addDeviceError(std::string& text, int position) const;
    // Error 1006 unless the position has `hose`.
    void checkHose(int position, int hose) const;
    int gradeOf(const Position& pos, const Sale& sale) const;

    const Clock& m_clock;
    const SiteFaults& m_faults;
    std::array<Position, kPositions + 1> m_positions{}; // index 1..32
    std::map<int, double> m_paidByGrade;                // litres paid out, by grade
};

} // namespace vantrel::forecourt
