// The call journal: memory over a million stress-test calls (it keeps the
// newest 100,000), and the time to open its window on a full journal.
#include "bench_support.h"

#include "journal/journal_window.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace vantrel::bench {
long residentBytes();
}

static void BM_JournalMillionStressCalls(benchmark::State& state)
{
    vantrel::bench::Utility utility;
    auto& main = utility.app->mainWindow();
    const auto& journal = utility.app->journal();
    utility.press("VantrelTest", "STRESS_BUTTON"); // stress on: two records a tick
    // Fill the journal to its bound first, so that what follows measures the steady state.
    while (journal.size() < vantrel::journal::CallJournal::kCallLimit)
        main.fireTimer("Timer1");
    const long before = vantrel::bench::residentBytes();
    const long long calls = journal.total();
    for (auto _ : state)
        while (journal.total() - calls < 1000000)
            main.fireTimer("Timer1");
    const long after = vantrel::bench::residentBytes();
    utility.press("VantrelTest", "STRESS_BUTTON");
    state.counters["calls"] = static_cast<double>(journal.total() - calls);
    state.counters["rows"] = static_cast<double>(journal.size());
    state.counters["journal_MB"] = static_cast<double>(journal.bytes()) / (1024.0 * 1024.0);
    state.counters["rss_full_MB"] = static_cast<double>(before) / (1024.0 * 1024.0);
    state.counters["growth_kB"] = static_cast<double>(after - before) / 1024.0;
}
BENCHMARK(BM_JournalMillionStressCalls)->Iterations(1)->Unit(benchmark::kMillisecond);

static void BM_JournalWindowOpensOnAFullJournal(benchmark::State& state)
{
    vantrel::bench::Utility utility;
    auto& journal = utility.app->journal();
    for (int i = 0; i < static_cast<int>(vantrel::journal::CallJournal::kCallLimit); ++i)
        journal.callMade({vantrel::Access::Put, "DisplayData", vantrel::Value::string("ReaderPosition=01\r\nText=" + std::to_string(i)),
                          std::nullopt, "VantrelTest", "Display", i, 0});
    auto& main = utility.app->mainWindow();
    for (auto _ : state) {
        main.showJournal();
        QApplication::processEvents();
        state.PauseTiming();
        main.journalWindow()->hide();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["rows"] = static_cast<double>(journal.size());
}
BENCHMARK(BM_JournalWindowOpensOnAFullJournal)->Iterations(5)->Unit(benchmark::kMillisecond);
