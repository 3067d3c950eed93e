// Reading the site for the board: all 32 positions with their sales as of
// the clock (the board's per-frame read while a sale runs), the whole site
// state with one reader, the view model of all of it, and that state as
// the JSON a board across the bus reads.
#include "bench_records.h"
#include "board/board_view.h"
#include "dbus/site_state_codec.h"
#include "forecourt/forecourt_server.h"

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {

// Every position with a sale under way, so that each one is worked out from the clock.
std::unique_ptr<forecourt::ForecourtServer> busySite(std::shared_ptr<forecourt::ManualClock> clock)
{
    auto server = std::make_unique<forecourt::ForecourtServer>(clock);
    bench::authorizeEveryPosition(*server);
    clock->advance(forecourt::Millis(10000));
    return server;
}

} // namespace

static void BM_ReadAll32Positions(benchmark::State& state)
{
    auto clock = std::make_shared<forecourt::ManualClock>();
    auto server = busySite(clock);
    forecourt::PositionSnapshots positions;
    for (auto _ : state) {
        clock->advance(forecourt::Millis(1));
        server->readPositions(positions);
        benchmark::DoNotOptimize(positions);
    }
}
BENCHMARK(BM_ReadAll32Positions)->Repetitions(3)->ReportAggregatesOnly(true);

static void BM_SiteStateAndBoardView(benchmark::State& state)
{
    auto clock = std::make_shared<forecourt::ManualClock>();
    auto server = busySite(clock);
    for (auto _ : state) {
        clock->advance(forecourt::Millis(1));
        const auto view = board::boardView(server->siteState(7), 7);
        benchmark::DoNotOptimize(view);
    }
}
BENCHMARK(BM_SiteStateAndBoardView)->Repetitions(3)->ReportAggregatesOnly(true);

// The same state on the wire: the JSON a ReadSite carries, written and read back.
static void BM_SiteStateJsonRoundTrip(benchmark::State& state)
{
    auto clock = std::make_shared<forecourt::ManualClock>();
    auto server = busySite(clock);
    const forecourt::SiteState site = server->siteState(7);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const QByteArray json = dbus::encodeSiteState(site);
        std::string error;
        const auto back = dbus::decodeSiteState(json, error);
        bytes = static_cast<std::size_t>(json.size());
        benchmark::DoNotOptimize(back);
    }
    state.counters["json_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SiteStateJsonRoundTrip)->Repetitions(3)->ReportAggregatesOnly(true);
