// Start-up of a whole process to the main window shown and idle, offscreen,
// beside the floor: a bare Qt Widgets program with as many controls
// (startup_floor/). bench/startup_compare.sh runs the two alternately and
// prints the ratio.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

#include <string>

extern char** environ;

namespace {

void runToIdle(benchmark::State& state, const char* program)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string exe = program;
    char flag[] = "--quit-when-idle";
    char* argv[] = {exe.data(), flag, nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the program");
            return;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the program did not end cleanly");
            return;
        }
    }
}

void BM_StartupToIdleWindow(benchmark::State& state) { runToIdle(state, VANTREL_EXE); }
void BM_StartupFloorToIdleWindow(benchmark::State& state) { runToIdle(state, VANTREL_STARTUP_FLOOR_EXE); }

} // namespace

BENCHMARK(BM_StartupToIdleWindow)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3)->ReportAggregatesOnly(true);
BENCHMARK(BM_StartupFloorToIdleWindow)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3)->ReportAggregatesOnly(true);
