// Start-up of a whole process to the main window shown and idle, offscreen.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

static void BM_StartupToIdleWindow(benchmark::State& state)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    char exe[] = VANTREL_EXE;
    char flag[] = "--quit-when-idle";
    char* argv[] = {exe, flag, nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, exe, nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("cannot start the utility");
            return;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the utility did not end cleanly");
            return;
        }
    }
}
BENCHMARK(BM_StartupToIdleWindow)->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3)->ReportAggregatesOnly(true);
