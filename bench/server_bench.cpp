// The automation layer's put of a 200-byte record to the embedded server.
#include "forecourt/forecourt_server.h"
#include "server/records.h"

#include "bench_records.h"

#include <benchmark/benchmark.h>

using namespace vantrel;

static void BM_PutDisplayRecord200(benchmark::State& state)
{
    forecourt::ForecourtServer server(std::make_shared<forecourt::ManualClock>());
    AutomationObject& object = server;
    const Value value = Value::string(bench::displayRecord200());
    for (auto _ : state)
        object.put("DisplayData", value);
    state.counters["bytes"] = static_cast<double>(value.asString().size());
}
BENCHMARK(BM_PutDisplayRecord200)->Repetitions(3)->ReportAggregatesOnly(true);

static void BM_PutBeeperRecord(benchmark::State& state)
{
    forecourt::ForecourtServer server(std::make_shared<forecourt::ManualClock>());
    AutomationObject& object = server;
    const Value value = Value::string(std::string("ReaderPosition=05\nBeepCounts=03\n\0", 33));
    for (auto _ : state)
        object.put("BeeperControl", value);
}
BENCHMARK(BM_PutBeeperRecord)->Repetitions(3)->ReportAggregatesOnly(true);
