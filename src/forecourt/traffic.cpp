#include "traffic.h"

#include "customer.h"
#include "customer_command.h"
#include "forecourt_server.h"

#include "server/automation_error.h"
#include "server/conversions.h"
#include "server/records.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vantrel::forecourt {

namespace {
// The bank notes a cash customer pays with, in whole currency units.
constexpr std::array<long long, 4> kNotes = {10, 20, 30, 50};
// Of ten customers, this many pay by card.
constexpr std::uint64_t kCardInTen = 7;
constexpr const char* kFillUpLimit = "999999";
} // namespace

std::string trafficRateText(double perMinute)
{
    if (perMinute <= 0)
        return "no traffic";
    return plainNumber(perMinute) + (perMinute == 1 ? " customer a minute" : " customers a minute");
}

Traffic::Traffic(ForecourtServer& server, const Clock& clock) : m_server(server), m_clock(clock) {}

void Traffic::setRate(double customersPerMinute)
{
    if (const std::string problem = trafficRateProblem(customersPerMinute); !problem.empty())
        throw TrafficError(problem);
    m_rate = customersPerMinute;
    // Arrivals have no memory: the next one is drawn from now at the new rate.
    drawNextArrival();
}

void Traffic::setSeed(std::uint64_t seed)
{
    if (seed > kLargestTrafficSeed)
        throw TrafficError("the seed is a whole number 0 to " + std::to_string(kLargestTrafficSeed));
    m_seed = seed;
    m_engine.seed(seed);
    drawNextArrival();
}

std::uint64_t Traffic::below(std::uint64_t bound) { return m_engine() % bound; }

Millis Traffic::between(long long lowMs, long long highMs)
{
    return Millis(lowMs + static_cast<long long>(below(static_cast<std::uint64_t>(highMs - lowMs + 1))));
}

void Traffic::drawNextArrival()
{
    if (m_rate <= 0) {
        m_nextArrival.reset();
        return;
    }
    // An exponential gap with the rate's mean, from the top 53 bits of one draw.
    // The gap is worked out in double and kept within kFarthestArrival, so
    // that a tiny rate (5e-324 a minute) gives a customer in a thousand
    // years, not one a millisecond through a gap that no integer holds.
    const double uniform = static_cast<double>(m_engine() >> 11) * 0x1.0p-53;
    const double meanMs = 60000.0 / m_rate;
    const double gapMs = -std::log1p(-uniform) * meanMs;
    const auto farthest = static_cast<double>(kFarthestArrival.count());
    const auto gap = gapMs < farthest ? std::max<long long>(1, std::llround(gapMs)) : kFarthestArrival.count();
    m_nextArrival = m_clock.now() + Millis(gap);
}

void Traffic::plan(Customer& customer, Step next, Millis after)
{
    customer.next = next;
    customer.due = m_clock.now() + after;
}

bool Traffic::freeForCustomer(int position) const
{
    const FuelingPositions& pumps = m_server.fueling();
    return m_customers[static_cast<std::size_t>(position)].next == Step::None && pumps.installed(position) &&
           !m_server.faults().has(FaultDevice::Position, position, FaultKind::Offline) && !pumps.nozzleLifted(position) &&
           pumps.progress(position).state == SaleState::Idle;
}

std::optional<Millis> Traffic::nextStepAt() const
{
    std::optional<Millis> next = m_nextArrival;
    for (int p = 1; p <= FuelingPositions::kPositions; ++p) {
        const Customer& c = m_customers[static_cast<std::size_t>(p)];
        if (c.next != Step::None && (!next || c.due < *next))
            next = c.due;
    }
    return next;
}

int Traffic::catchUp()
{
    if (m_running)
        return 0;
    m_running = true;
    struct Done {
        bool& running;
        ~Done() { running = false; }
    } done{m_running};
    const Millis now = m_clock.now();
    int ran = 0;
    for (;;) {
        // The earliest step due; an arrival before a customer at the same
        // moment, and customers by position, so that the order is one.
        int which = -1;
        Millis at{0};
        if (m_nextArrival && *m_nextArrival <= now) {
            which = 0;
            at = *m_nextArrival;
        }
        for (int p = 1; p <= FuelingPositions::kPositions; ++p) {
            const Customer& c = m_customers[static_cast<std::size_t>(p)];
            if (c.next != Step::None && c.due <= now && (which < 0 || c.due < at)) {
                which = p;
                at = c.due;
            }
        }
        if (which < 0)
            return ran;
        ++ran;
        if (which == 0) {
            drawNextArrival();
            arrive();
        } else {
            step(which);
        }
    }
}

void Traffic::advance(ManualClock& clock, Millis by)
{
    const Millis end = clock.now() + by;
    for (int steps = 0; steps < kMostStepsPerAdvance;) {
        const auto next = nextStepAt();
        if (!next || *next > end)
            break;
        if (*next > clock.now())
            clock.advance(*next - clock.now());
        const int ran = catchUp();
        if (ran == 0)
            break; // a step is running already (a listener moved the clock)
        steps += ran;
    }
    if (end > clock.now())
        clock.advance(end - clock.now());
    catchUp();
}

void Traffic::arrive()
{
    std::array<int, FuelingPositions::kPositions> free{};
    std::size_t count = 0;
    for (int p = 1; p <= FuelingPositions::kPositions; ++p)
        if (freeForCustomer(p))
            free[count++] = p;
    if (count == 0) {
        ++m_leftUnserved; // every pump busy: the customer drives on
        m_server.noteChange();
        return;
    }
    const int position = free[below(count)];
    Customer& c = m_customers[static_cast<std::size_t>(position)];
    c = Customer{};
    ++m_atSite;
    plan(c, Step::Pay, between(3000, 8000));
    try {
        liftNozzle(m_server, position);
    } catch (const CustomerError&) {
        leave(position, false);
    }
}

void Traffic::step(int position)
{
    Customer& c = m_customers[static_cast<std::size_t>(position)];
    FuelingPositions& pumps = m_server.fueling();
    try {
        switch (c.next) {
        case Step::None: return;
        case Step::Pay:
            if (below(10) < kCardInTen) {
                c.card = 1 + static_cast<int>(below(testCards().size()));
                plan(c, Step::Pin, between(2000, 5000));
                insertCard(m_server, position, c.card);
            } else {
                c.cashHundredths = kNotes[below(kNotes.size())] * 100;
                plan(c, Step::Authorise, between(2000, 4000));
                insertCash(m_server, position, customer_detail::moneyText(c.cashHundredths));
            }
            return;
        case Step::Pin: {
            std::string pin;
            for (int i = 0; i < 4; ++i)
                pin += static_cast<char>('0' + below(10));
            plan(c, Step::Authorise, between(1000, 3000));
            pressKeys(m_server, position, pin);
            return;
        }
        case Step::Authorise: {
            // What the point of sale does for a paid customer: a fill-up on a
            // card, the amount paid in cash.
            std::string record;
            rec::appendLine(record, "FuelingPosition=", rec::positionText(position));
            rec::appendLine(record, "Hose=", "1");
            rec::appendLine(record, "MOP=", "1");
            rec::appendLine(record, "Limit=", c.card > 0 ? std::string(kFillUpLimit) : rec::zeroFilled(static_cast<double>(c.cashHundredths), 6));
            rec::appendNul(record);
            c.movedAt = m_clock.now();
            plan(c, Step::Watch, FuelingPositions::kNozzleLift + kWatchEvery);
            pumps.authorize(parseRecord(record, true));
            c.authorised = true;
            m_server.noteChange();
            return;
        }
        case Step::Watch: {
            const auto sale = pumps.progress(position);
            if (sale.state == SaleState::Completed || sale.state == SaleState::Idle) {
                plan(c, Step::Leave, between(2000, 5000));
            } else if (sale.litres != c.litresSeen) {
                c.litresSeen = sale.litres;
                c.movedAt = m_clock.now();
                plan(c, Step::Watch, kWatchEvery);
            } else if (m_clock.now() - c.movedAt >= kPatience) {
                plan(c, Step::Leave, Millis(0)); // the sale does not move: the customer gives up
            } else {
                plan(c, Step::Watch, kWatchEvery);
            }
            return;
        }
        case Step::Leave: break;
        }
    } catch (const CustomerError&) {
    } catch (const AutomationError&) {
    }
    // Leaving, as planned or because the site refused: hang up, and the
    // point of sale settles the sale it authorised.
    bool served = false;
    try {
        hangNozzle(m_server, position);
        if (c.authorised) {
            const auto sale = pumps.progress(position);
            if (sale.state == SaleState::Completed) {
                pumps.payOut(position);
                served = true;
            } else if (sale.state != SaleState::Idle && sale.litres == 0) {
                pumps.deauthorize(position);
            }
            m_server.noteChange();
        }
    } catch (const CustomerError&) {
    } catch (const AutomationError&) {
        // An offline pump keeps its sale, for the fault's clearing to settle.
    }
    leave(position, served);
}

void Traffic::leave(int position, bool served)
{
    m_customers[static_cast<std::size_t>(position)] = Customer{};
    --m_atSite;
    ++(served ? m_served : m_leftUnserved);
}

TrafficSnapshot Traffic::snapshot() const
{
    TrafficSnapshot s;
    s.customersPerMinute = m_rate;
    s.seed = m_seed;
    s.served = m_served;
    s.leftUnserved = m_leftUnserved;
    s.atSite = m_atSite;
    return s;
}

} // namespace vantrel::forecourt
