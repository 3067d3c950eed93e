// Button presses end to end through the embedded server: record built,
// call made, InBox updated in its offscreen widget.
#include "bench_support.h"

#include <benchmark/benchmark.h>

using namespace vantrel;

static void BM_PressDisplay1(benchmark::State& state)
{
    bench::Utility utility;
    for (auto _ : state)
        utility.press("VantrelTest", "Display");
    if (utility.app->session().inBox().find("Display Msg 1") == std::string::npos)
        state.SkipWithError("the press did not show its record");
}
BENCHMARK(BM_PressDisplay1)->Unit(benchmark::kMicrosecond)->Repetitions(3)->ReportAggregatesOnly(true);

static void BM_PressPrice6(benchmark::State& state)
{
    bench::Utility utility;
    for (auto _ : state)
        utility.press("VantrelTest", "Price6");
}
BENCHMARK(BM_PressPrice6)->Unit(benchmark::kMicrosecond)->Repetitions(3)->ReportAggregatesOnly(true);

static void BM_Press1KDisplayMsgs(benchmark::State& state)
{
    bench::Utility utility;
    utility.press("VantrelTest", "TEST_FUNCTION_BUTTON");
    for (auto _ : state)
        utility.press("TestFunctionForm", "DisplayMsg1K");
    if (utility.app->session().inBox() != "1K Message Test Done")
        state.SkipWithError("the load test did not finish");
}
BENCHMARK(BM_Press1KDisplayMsgs)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3)->ReportAggregatesOnly(true);
