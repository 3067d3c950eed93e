// Resident memory: an idle windowed run of the whole utility, and the
// growth over 10,000 stress ticks in virtual time.
#include "bench_support.h"

#include <QPushButton>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace vantrel::bench {

static long residentOf(const std::string& statusFile)
{
    std::ifstream in(statusFile);
    std::string key;
    while (in >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            in >> kib;
            return kib * 1024;
        }
        in.ignore(1 << 20, '\n');
    }
    return -1;
}

long residentBytes() { return residentOf("/proc/self/status"); }

} // namespace vantrel::bench

static void BM_IdleWindowedResidentMemory(benchmark::State& state)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char exe[] = VANTREL_EXE;
    char* argv[] = {exe, nullptr};
    long rss = 0;
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, exe, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the utility");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // start-up done, window idle
        rss = vantrel::bench::residentOf("/proc/" + std::to_string(pid) + "/status");
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
    }
    state.counters["rss_MB"] = static_cast<double>(rss) / (1024.0 * 1024.0);
}
BENCHMARK(BM_IdleWindowedResidentMemory)->Iterations(3)->Unit(benchmark::kMillisecond);

static void BM_StressTicksMemoryGrowth(benchmark::State& state)
{
    vantrel::bench::Utility utility;
    utility.press("VantrelTest", "STRESS_BUTTON"); // stress on
    auto& main = utility.app->mainWindow();
    for (int i = 0; i < 1000; ++i) // warm up: queues and caches reach their steady size
        main.fireTimer("Timer1");
    const long before = vantrel::bench::residentBytes();
    for (auto _ : state)
        for (int i = 0; i < 10000; ++i)
            main.fireTimer("Timer1");
    const long after = vantrel::bench::residentBytes();
    utility.press("VantrelTest", "STRESS_BUTTON"); // stress off
    state.counters["rss_before_MB"] = static_cast<double>(before) / (1024.0 * 1024.0);
    state.counters["growth_kB"] = static_cast<double>(after - before) / 1024.0;
    state.counters["ticks"] = 10000;
}
BENCHMARK(BM_StressTicksMemoryGrowth)->Iterations(1)->Unit(benchmark::kMillisecond);
