// A server's answer of megabytes in the windows: setting a box and drawing
// it, and the text layout that decides how much of a box a view shows.
// The whole process's peak is measured with bench/large_reply.sh.
#include "bench_support.h"

#include "app/main_window.h"
#include "inspector/marked_text.h"
#include "inspector/record_inspector.h"

#include <QPlainTextEdit>

#include <benchmark/benchmark.h>

using namespace vantrel;

namespace {
// One line without a line end, the hardest case for Qt's text layout.
std::string flat(std::size_t size) { return std::string(size, 'x'); }
} // namespace

// Laying out and drawing marked text of one line in a box-sized widget: the
// cost that decides how much of a box a view shows (range: bytes).
static void BM_LayOutOneLine(benchmark::State& state)
{
    QPlainTextEdit edit;
    edit.setLineWrapMode(QPlainTextEdit::NoWrap);
    edit.resize(177, 217);
    edit.show();
    const std::string text = flat(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        showMarked(&edit, text);
        benchmark::DoNotOptimize(edit.viewport()->grab());
    }
}
BENCHMARK(BM_LayOutOneLine)->Arg(64 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole utility: a read whose answer is 50 MB on one line, set into
// InBox (which keeps its newest 1 MiB and shows 64 KiB of it) and drawn.
static void BM_SetInBoxFrom50MBAnswer(benchmark::State& state)
{
    bench::Utility utility;
    const std::string answer = flat(50'000'000);
    const long before = bench::residentBytes();
    for (auto _ : state) {
        utility.app->session().setInBox(answer);
        benchmark::DoNotOptimize(utility.app->mainWindow().inBox()->grab());
    }
    state.counters["resident_growth_MB"] = static_cast<double>(bench::residentBytes() - before) / 1e6;
}
BENCHMARK(BM_SetInBoxFrom50MBAnswer)->Unit(benchmark::kMillisecond)->Iterations(3);

// The record inspector shown while a 50 MB answer comes: it keeps 1 MiB and lays out 64 KiB.
static void BM_InspectorOn50MBAnswer(benchmark::State& state)
{
    bench::Utility utility;
    RecordInspector& inspector = *utility.app->mainWindow().inspector();
    inspector.show();
    CallEvent event{Access::Get, "CardQue", std::nullopt, Value::string(flat(50'000'000))};
    for (auto _ : state) {
        inspector.callMade(event);
        QApplication::processEvents();
        benchmark::DoNotOptimize(inspector.grab());
    }
}
BENCHMARK(BM_InspectorOn50MBAnswer)->Unit(benchmark::kMillisecond)->Iterations(3);
