// A busy site in virtual time: a day of traffic at 2 customers a minute on
// all 32 pumps, the clock moved on a second at a time as the service's
// Advance would, with the resident memory before and after.
#include "bench_support.h"

#include "forecourt/forecourt_server.h"
#include "forecourt/traffic.h"

#include <benchmark/benchmark.h>

#include <chrono>

static void BM_TrafficDayInVirtualTime(benchmark::State& state)
{
    using namespace std::chrono;
    long before = 0, after = 0;
    std::uint64_t served = 0;
    for (auto _ : state) {
        auto clock = std::make_shared<vantrel::forecourt::ManualClock>();
        vantrel::forecourt::ForecourtServer site(clock);
        site.traffic().setRate(2);
        before = vantrel::bench::residentBytes();
        for (seconds passed{0}; passed < hours(24); passed += seconds(1)) {
            site.traffic().advance(*clock, seconds(1));
            // A point of sale reads now and then, as a soak test would.
            if (passed.count() % 60 == 0)
                benchmark::DoNotOptimize(site.siteState(1 + static_cast<int>(passed.count() / 60 % 32)));
        }
        after = vantrel::bench::residentBytes();
        served = site.traffic().snapshot().served;
    }
    state.counters["served"] = static_cast<double>(served);
    state.counters["rss_before_MB"] = static_cast<double>(before) / (1024.0 * 1024.0);
    state.counters["rss_after_MB"] = static_cast<double>(after) / (1024.0 * 1024.0);
}
BENCHMARK(BM_TrafficDayInVirtualTime)->Iterations(1)->Unit(benchmark::kMillisecond);
