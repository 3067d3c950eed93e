// The automation layer's put of a 200-byte record to the embedded server.
#include "forecourt/forecourt_server.h"
#include "server/records.h"

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {
std::string record200(const char* key)
{
    std::string r;
    rec::appendLine(r, "ReaderPosition=", "05");
    std::string message = "Message=";
    while (r.size() + message.size() + 3 < 200)
        message += static_cast<char>('A' + message.size() % 26);
    rec::appendLine(r, message);
    rec::appendNul(r);
    (void)key;
    return r;
}
} // namespace

static void BM_PutDisplayRecord200(benchmark::State& state)
{
    forecourt::ForecourtServer server(std::make_shared<forecourt::ManualClock>());
    AutomationObject& object = server;
    const Value value = Value::string(record200("DisplayData"));
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
