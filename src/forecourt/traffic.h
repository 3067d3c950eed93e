// A busy site: simulated customers sent to the forecourt at a steady rate.
// Each one arrives at a free pump (installed, idle, its nozzle on the hook,
// no sale, not offline), lifts the nozzle, pays by one of the test cards
// (the card at the reader, then four PIN keys) or by cash, is authorised as
// a point of sale would authorise the sale, fuels, hangs up and is paid out.
// Every action at the pump and the reader is the customer action of
// customer.h, so the queues fill exactly as a customer's actions fill them.
//
// Nothing runs by itself, as with every device: the traffic keeps the time
// of its next arrival and of each customer's next step, and catchUp() runs
// every step due by the clock now, in time order. Arrivals come at random
// (exponential gaps with the rate's mean) from a seeded mt19937_64 whose raw
// output is turned into numbers here, so one seed gives the same customers
// on every standard library. What is kept is one slot per position and a
// few counters: nothing grows with the customers served.
//
// A customer whose pump does not go on (a refusal of the site, an offline
// pump, a device error, a stall or a stop-at fault that holds the sale for
// kPatience) hangs up and leaves; a customer who finds no free pump drives
// on. Both are counted as left unserved.
#pragma once

#include "clock.h"
#include "site_state.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>

namespace vantrel::forecourt {

class ForecourtServer;

// The most customers a minute the site takes: one every 100 ms.
inline constexpr double kMostCustomersPerMinute = 600;
inline constexpr std::uint64_t kDefaultTrafficSeed = 1;
// The largest seed: it travels in ReadSite's JSON as an exact number.
inline constexpr std::uint64_t kLargestTrafficSeed = 4294967295ULL;

class TrafficError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Why `perMinute` is no rate of traffic; "" for 0 (off) and a rate above 0
// up to kMostCustomersPerMinute.
inline std::string trafficRateProblem(double perMinute)
{
    if (std::isfinite(perMinute) && perMinute >= 0 && perMinute <= kMostCustomersPerMinute)
        return {};
    return "the traffic is 0 (none) or up to 600 customers a minute";
}

// "2 customers a minute", "1 customer a minute", "0.5 customers a minute";
// "no traffic" for 0. The rate is one trafficRateProblem takes.
std::string trafficRateText(double perMinute);

class Traffic {
public:
    // How long a customer waits for a sale that does not move before hanging up.
    static constexpr Millis kPatience{120000};
    // How often a customer looks at the pump while the sale runs.
    static constexpr Millis kWatchEvery{5000};
    // The longest wait for the next customer, however low the rate: a
    // thousand years (366 days each).
    static constexpr Millis kFarthestArrival{1000LL * 366 * 24 * 3600 * 1000};

    Traffic(ForecourtServer& server, const Clock& clock);

    // 0 stops the arrivals: the customers at the pumps finish. Throws
    // TrafficError (trafficRateProblem's reason) and changes nothing for a bad rate.
    void setRate(double customersPerMinute);
    double rate() const { return m_rate; }
    // Starts the choices again from `seed` (the customers at the pumps keep
    // their plans; the next arrival is drawn again). Throws TrafficError above kLargestTrafficSeed.
    void setSeed(std::uint64_t seed);
    std::uint64_t seed() const { return m_seed; }

    // Runs every step due by the clock now, in time order; how many ran.
    int catchUp();
    // When the next step is due; nothing when none is planned.
    std::optional<Millis> nextStepAt() const;
    // Moves `clock` (the site's own) on by `by`, stopping at each step on
    // the way so that it runs at its own time; after kMostStepsPerAdvance
    // steps the rest of the time passes at once.
    static constexpr int kMostStepsPerAdvance = 1000000;
    void advance(ManualClock& clock, Millis by);

    // True while customers come or are at the pumps.
    bool busy() const { return m_rate > 0 || m_atSite > 0; }
    TrafficSnapshot snapshot() const;

private:
    enum class Step { None, Pay, Pin, Authorise, Watch, Leave };
    struct Customer {
        Step next = Step::None;
        Millis due{0};
        int card = 0;                 // 1.. a test card; 0 pays cash
        long long cashHundredths = 0;
        double litresSeen = 0;        // the sale when last looked at
        Millis movedAt{0};            // when the sale last moved
        bool authorised = false;      // the sale here is this customer's
    };

    void arrive();
    void step(int position);
    void leave(int position, bool served);
    bool freeForCustomer(int position) const;
    void plan(Customer& customer, Step next, Millis after);
    void drawNextArrival();
    // Raw engine output made into numbers, the same on every platform.
    std::uint64_t below(std::uint64_t bound);
    Millis between(long long lowMs, long long highMs);

    ForecourtServer& m_server;
    const Clock& m_clock;
    double m_rate = 0;
    std::uint64_t m_seed = kDefaultTrafficSeed;
    std::mt19937_64 m_engine{kDefaultTrafficSeed};
    std::optional<Millis> m_nextArrival;
    std::array<Customer, 33> m_customers{}; // by position, index 1..32
    int m_atSite = 0;
    std::uint64_t m_served = 0;
    std::uint64_t m_leftUnserved = 0;
    bool m_running = false; // a step tells listeners, which may read the site again
};

} // namespace vantrel::forecourt
