// Generating numbers through the real window offscreen, click to done, yields and all.
#include "bench_data.h"
#include "bench_window.h"
#include "measure.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

namespace {

// Also measures the longest time the window went without a turn of its event loop: a timer of
// no interval fires at every turn, and the gaps between its firings are the window's pauses.
void BM_WindowGenerate(benchmark::State &state, const QStringList &(*prefixList)(),
                       bool againstFlatTable)
{
    const int n = int(state.range(0));
    const QStringList &prefixes = prefixList();
    const double flatTableMs = againstFlatTable ? flatTableMilliseconds(prefixes, n) : 0;
    SilentDesktop desktop;
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    form->show();
    for (const QString &p : prefixes) {
        form->ListView1.add(p);
    }
    form->Text1->setText(QString::number(n));
    QCoreApplication::processEvents();

    QElapsedTimer sinceTurn;
    qint64 longestGapNs = 0;
    QTimer turns;
    QObject::connect(&turns, &QTimer::timeout, [&] {
        longestGapNs = std::max(longestGapNs, sinceTurn.nsecsElapsed());
        if (qEnvironmentVariableIsSet("GAPS") && sinceTurn.nsecsElapsed() > 20'000'000) {
            fprintf(stderr, "gap %.1f ms at %d\n", sinceTurn.nsecsElapsed() / 1e6,
                    form->ListView2.count());
        }
        sinceTurn.restart();
    });
    RatioClock ratio;
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form->runHandler(
            [&] { form->PushButton7_Click(); });  // the memory of the run before goes back
        resetPeak();
        turns.start(0);
        sinceTurn.start();
        state.ResumeTiming();
        ratio.start();
        form->runHandler([&] { form->PushButton2_Click(); });
        QCoreApplication::processEvents();  // the last batch reaches the view
        ratio.stop();
        state.PauseTiming();
        turns.stop();
        peak = std::max(peak, statusBytes("VmHWM"));
        state.ResumeTiming();
    }
    if (form->ListView2.count() != n || desktop.messages != 0) {
        state.SkipWithError("wrong count");
    }
    ratio.report(state);
    ratio.reportAgainstFlatTable(state, flatTableMs);
    state.counters["ns_per_number"] = nanosecondsPerNumber(n);
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["longest_gap_ms"] = double(longestGapNs) / 1e6;
}
// The program's own large workload: the 359 default area codes, with the flat-table reference.
BENCHMARK_CAPTURE(BM_WindowGenerate, default_area_codes, defaultAreaCodes, true)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
// The sample's million, the figure users know.
BENCHMARK_CAPTURE(BM_WindowGenerate, sample, samplePrefixes, false)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
// How the time per number holds as the run grows.
BENCHMARK_CAPTURE(BM_WindowGenerate, area_codes, tenAreaCodes, false)
    ->Apply(scalingSizes)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// What the program holds after "Clear List" empties ten million numbers from the default area
// codes, against what it held before the run and with the list full.
void BM_ClearListGivesMemoryBack(benchmark::State &state)
{
    const int n = int(state.range(0));
    SilentDesktop desktop;
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    form->show();
    for (const QString &p : defaultAreaCodes()) {
        form->ListView1.add(p);
    }
    form->Text1->setText(QString::number(n));
    QCoreApplication::processEvents();
    resetPeak();
    const double before = statusBytes("VmRSS");
    double full = 0;
    double after = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form->runHandler([&] { form->PushButton2_Click(); });
        QCoreApplication::processEvents();
        full = statusBytes("VmRSS");
        state.ResumeTiming();
        form->runHandler([&] { form->PushButton7_Click(); });
        QCoreApplication::processEvents();
        state.PauseTiming();
        after = statusBytes("VmRSS");
        state.ResumeTiming();
    }
    state.counters["rss_before_run_MB"] = before / 1e6;
    state.counters["rss_full_MB"] = full / 1e6;
    state.counters["rss_after_clear_MB"] = after / 1e6;
}
BENCHMARK(BM_ClearListGivesMemoryBack)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
