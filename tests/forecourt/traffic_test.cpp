// Simulated traffic at the site: it repeats exactly from a seed, goes only
// to free installed pumps, leaves faulted pumps to their faults, fills the
// queues as a customer's actions fill them, and keeps its rate in bounds.
#include "forecourt/customer.h"
#include "forecourt/forecourt_server.h"
#include "forecourt/traffic.h"
#include "server/conversions.h"

#include "support/case_names.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

using namespace vantrel;
using namespace vantrel::forecourt;

namespace {

using namespace std::chrono_literals;

struct Site {
    std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
    ForecourtServer server{clock};
    Traffic& traffic() { return server.traffic(); }
    // Moves on in steps of a second, as a script's ticks move the clock.
    void run(Millis total)
    {
        for (Millis passed{0}; passed < total; passed += 1s)
            traffic().advance(*clock, 1s);
    }
    // Every reader's queues and every pump, as the board would read them.
    std::vector<SiteState> everyReader()
    {
        std::vector<SiteState> states;
        for (int p = 1; p <= FuelingPositions::kPositions; ++p)
            states.push_back(server.siteState(p));
        return states;
    }
    std::vector<std::string> entries(int position, QueueKind kind)
    {
        for (const auto& q : server.siteState(position).reader.queues)
            if (q.kind == kind)
                return q.entries;
        return {};
    }
};

struct SeedCase {
    const char* name;
    std::uint64_t seedA, seedB;
    bool same;
};

class TrafficSeed : public ::testing::TestWithParam<SeedCase> {};

TEST_P(TrafficSeed, RepeatsExactlyWithTheSameSeed)
{
    Site a, b;
    a.traffic().setSeed(GetParam().seedA);
    b.traffic().setSeed(GetParam().seedB);
    a.traffic().setRate(3);
    b.traffic().setRate(3);
    a.run(40min);
    b.run(40min);
    const auto stateA = a.everyReader(), stateB = b.everyReader();
    ASSERT_GT(stateA.front().traffic.served, 20u);
    EXPECT_EQ(stateA == stateB, GetParam().same);
    EXPECT_EQ(a.server.changeCount() == b.server.changeCount(), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Seeds, TrafficSeed, ::testing::Values(
    SeedCase{"sameSeed", 7, 7, true},
    SeedCase{"defaultSeed", kDefaultTrafficSeed, 1, true},
    SeedCase{"otherSeed", 1, 2, false},
    SeedCase{"largestSeed", kLargestTrafficSeed, 0, false}
), test_names::ByName());

TEST(Traffic, OneLongAdvanceRunsEachStepAtItsOwnTime)
{
    Site stepped, atOnce;
    for (Site* s : {&stepped, &atOnce})
        s->traffic().setRate(4);
    stepped.run(30min);
    atOnce.traffic().advance(*atOnce.clock, 30min);
    EXPECT_EQ(stepped.everyReader(), atOnce.everyReader());
}

TEST(Traffic, RateZeroStopsArrivalsAndTheCustomersFinish)
{
    Site site;
    site.traffic().setRate(20);
    site.run(10min);
    const TrafficSnapshot busy = site.traffic().snapshot();
    ASSERT_GT(busy.atSite, 0);
    EXPECT_TRUE(site.server.timeDriven());
    site.traffic().setRate(0);
    EXPECT_EQ(site.traffic().nextStepAt().has_value(), busy.atSite > 0);
    site.run(20min);
    const TrafficSnapshot after = site.traffic().snapshot();
    EXPECT_EQ(after.atSite, 0);
    EXPECT_EQ(after.served + after.leftUnserved, busy.served + busy.leftUnserved + static_cast<std::uint64_t>(busy.atSite));
    EXPECT_FALSE(site.traffic().nextStepAt());
    EXPECT_FALSE(site.server.timeDriven());
    for (const auto& p : site.server.siteState(1).positions)
        EXPECT_FALSE(p.nozzleLifted || p.hasSale) << p.number;
}

TEST(Traffic, AMemberCallRunsTheStepsDueFirst)
{
    Site site;
    site.traffic().setRate(60);
    site.clock->advance(10min); // no step runs until the site is asked
    EXPECT_EQ(site.traffic().snapshot().atSite + site.traffic().snapshot().served, 0u);
    const auto before = site.server.changeCount();
    (void)site.server.get("QueCountQuery", std::nullopt);
    EXPECT_GT(site.traffic().snapshot().atSite, 0);
    EXPECT_GT(site.server.changeCount(), before + 1);
}

struct RateCase {
    const char* name;
    double rate;
    bool taken;
};

class TrafficRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(TrafficRate, IsZeroOrUpToSixHundred)
{
    Site site;
    site.traffic().setRate(2);
    if (GetParam().taken) {
        site.traffic().setRate(GetParam().rate);
        EXPECT_EQ(site.traffic().rate(), GetParam().rate);
        EXPECT_EQ(trafficRateProblem(GetParam().rate), "");
    } else {
        EXPECT_THROW(site.traffic().setRate(GetParam().rate), TrafficError);
        EXPECT_EQ(site.traffic().rate(), 2);
        EXPECT_EQ(trafficRateProblem(GetParam().rate), "the traffic is 0 (none) or up to 600 customers a minute");
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, TrafficRate, ::testing::Values(
    RateCase{"off", 0, true},
    RateCase{"half", 0.5, true},
    RateCase{"most", 600, true},
    RateCase{"negative", -1, false},
    RateCase{"tooMany", 600.5, false},
    RateCase{"nan", std::nan(""), false},
    RateCase{"infinite", std::numeric_limits<double>::infinity(), false}
), test_names::ByName());

// A rate far below one a minute means a long wait, never a flood: the gap
// that no integer holds is kept at the farthest arrival.
class TrafficTinyRate : public ::testing::TestWithParam<RateCase> {};

TEST_P(TrafficTinyRate, SendsNobodyForYears)
{
    Site site;
    for (int seed = 1; seed <= 20; ++seed) {
        site.traffic().setSeed(static_cast<std::uint64_t>(seed));
        site.traffic().setRate(GetParam().rate);
        const auto next = site.traffic().nextStepAt();
        ASSERT_TRUE(next);
        EXPECT_GT(*next - site.clock->now(), Millis(std::chrono::hours(24 * 366)));
        EXPECT_LE(*next - site.clock->now(), Traffic::kFarthestArrival);
    }
    site.traffic().advance(*site.clock, std::chrono::minutes(10));
    const TrafficSnapshot seen = site.traffic().snapshot();
    EXPECT_EQ(seen.served + seen.leftUnserved + static_cast<std::uint64_t>(seen.atSite), 0u);
}

INSTANTIATE_TEST_SUITE_P(Rates, TrafficTinyRate, ::testing::Values(
    RateCase{"smallestDouble", std::numeric_limits<double>::denorm_min(), true},
    RateCase{"oneInTenToThe300", 1e-300, true},
    RateCase{"beyondAnIntegerGap", 1e-15, true}
), test_names::ByName());

TEST(Traffic, ASeedBeyondTheLargestIsRefused)
{
    Site site;
    EXPECT_THROW(site.traffic().setSeed(kLargestTrafficSeed + 1), TrafficError);
    EXPECT_EQ(site.traffic().seed(), kDefaultTrafficSeed);
}

// Where the customers go: only to installed pumps that are free.
struct PlaceCase {
    const char* name;
    std::set<int> installed;
    std::vector<std::string> setup; // "fault ..." or "customer ..."
    std::set<int> used;             // the pumps whose readers get the customers' cards and cash
    bool someServed;
};

class TrafficPlaces : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(TrafficPlaces, OnlyFreeInstalledPumpsGetCustomers)
{
    Site site;
    std::vector<std::size_t> before;
    for (int p = 1; p <= FuelingPositions::kPositions; ++p) {
        site.server.fueling().setInstalled(p, GetParam().installed.count(p) > 0);
        before.push_back(site.entries(p, QueueKind::Card).size() + site.entries(p, QueueKind::Cash).size());
    }
    for (const std::string& line : GetParam().setup) {
        if (line.rfind("fault ", 0) == 0)
            site.server.setFault(line.substr(6));
        else
            actAsCustomer(site.server, line.substr(9));
    }
    site.traffic().setRate(10);
    site.run(30min);
    std::set<int> used;
    for (int p = 1; p <= FuelingPositions::kPositions; ++p)
        if (site.entries(p, QueueKind::Card).size() + site.entries(p, QueueKind::Cash).size() != before[static_cast<std::size_t>(p - 1)])
            used.insert(p);
    EXPECT_EQ(used, GetParam().used);
    const TrafficSnapshot t = site.traffic().snapshot();
    EXPECT_EQ(t.served > 0, GetParam().someServed);
    EXPECT_GT(t.leftUnserved, 0u); // at most two pumps for ten customers a minute: some drive on
}

INSTANTIATE_TEST_SUITE_P(Places, TrafficPlaces, ::testing::Values(
    PlaceCase{"installedOnly", {3, 5}, {}, {3, 5}, true},
    PlaceCase{"offlinePumpPassedOver", {3, 5}, {"fault position 5 offline"}, {3}, true},
    PlaceCase{"nozzleUpPassedOver", {3, 5}, {"customer nozzle 5 lift"}, {3}, true},
    PlaceCase{"stallLeftToTheFault", {3}, {"fault position 3 stall"}, {3}, false},
    PlaceCase{"deviceErrorRefuses", {3}, {"fault position 3 error 42"}, {3}, false}
), test_names::ByName());

TEST(Traffic, AStalledSaleIsCancelledWhenTheCustomerGivesUp)
{
    Site site;
    for (int p = 2; p <= FuelingPositions::kPositions; ++p)
        site.server.fueling().setInstalled(p, false);
    site.server.setFault("position 1 stall");
    site.traffic().setRate(0.5);
    site.run(Traffic::kPatience * 5);
    site.traffic().setRate(0);
    site.run(Traffic::kPatience * 2);
    EXPECT_GT(site.traffic().snapshot().leftUnserved, 0u);
    EXPECT_EQ(site.server.fueling().progress(1).state, SaleState::Idle);
    EXPECT_FALSE(site.server.fueling().nozzleLifted(1));
}

TEST(Traffic, FillsTheQueuesAsTheCustomerActionsDo)
{
    // What the customer actions queue at reader 04, to compare with.
    Site reference;
    std::set<std::string> cards, cash;
    for (std::size_t n = 1; n <= testCards().size(); ++n)
        actAsCustomer(reference.server, "card 4 " + std::to_string(n));
    for (const char* amount : {"10", "20", "30", "50"})
        actAsCustomer(reference.server, std::string("cash 4 ") + amount);
    for (const auto& e : reference.entries(4, QueueKind::Card))
        cards.insert(e);
    for (const auto& e : reference.entries(4, QueueKind::Cash))
        cash.insert(e);

    Site site;
    for (int p = 1; p <= FuelingPositions::kPositions; ++p)
        site.server.fueling().setInstalled(p, p == 4);
    const std::size_t cardsBefore = site.entries(4, QueueKind::Card).size();
    const std::size_t cashBefore = site.entries(4, QueueKind::Cash).size();
    site.traffic().setRate(2);
    site.run(2h);
    const auto cardEntries = site.entries(4, QueueKind::Card);
    const auto cashEntries = site.entries(4, QueueKind::Cash);
    const auto keyEntries = site.entries(4, QueueKind::Key);
    ASSERT_GT(cardEntries.size(), cardsBefore);
    ASSERT_GT(cashEntries.size(), cashBefore);
    for (std::size_t i = cardsBefore; i < cardEntries.size(); ++i)
        EXPECT_TRUE(cards.count(cardEntries[i])) << cardEntries[i];
    for (std::size_t i = cashBefore; i < cashEntries.size(); ++i)
        EXPECT_TRUE(cash.count(cashEntries[i])) << cashEntries[i];
    // One PIN of four digits per card, keyed as "key 4 NNNN" queues it.
    ASSERT_EQ(keyEntries.size(), cardEntries.size() - cardsBefore);
    for (const auto& e : keyEntries) {
        const std::string prefix = "ReaderPosition=04\r\nKeyData=";
        ASSERT_EQ(e.rfind(prefix, 0), 0u) << e;
        EXPECT_EQ(e.size(), prefix.size() + 4) << e;
    }
    EXPECT_GT(site.traffic().snapshot().served, 0u);
}

} // namespace
