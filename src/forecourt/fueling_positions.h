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
// Every position starts with 1.000 on both tiers of hoses 1 to 8 and a
// slow-down point of 0. A price record changes the hoses it lists and
// leaves the others as they were; a record without any line (the NUL
// alone) changes nothing. Refused records change nothing.
#pragma once

#include "clock.h"
#include "record_parser.h"
#include "site_state.h"

#include <array>
#include <optional>
#include <string>

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

    explicit FuelingPositions(const Clock& clock);

    void authorize(const ParsedRecord& record);
    void deauthorize(int position);
    void stop(int position); // 0 stops every position; no running sale: nothing happens
    void resume(int position);
    void payOut(int position);
    void setPrices(const ParsedRecord& record);

    // key=value lines, CR LF between them.
    std::string positionInformation(int position) const;
    std::string dispenserInformation(int position) const;
    // Litres drawn by all sales so far (paid out or not), for the tank monitor.
    double dispensedLitres() const;

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
        std::optional<Millis> runningSince; // empty while stopped or ended
        bool ended = false;          // Deauthorize ended the delivery
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
    };

    Position& at(int position);
    const Position& at(int position) const;
    Millis runningTime(const Sale& sale) const;
    Progress progressOf(const Sale& sale) const;
    // Freezes the running time of a sale at the present moment.
    void halt(Sale& sale) const;

    const Clock& m_clock;
    std::array<Position, kPositions + 1> m_positions{}; // index 1..32
};

} // namespace vantrel::forecourt
