// Writing the result list: the text file and the clipboard text through the real handlers of the
// window (yields and progress bar included), and the plain text building on its own.
#include "bench_data.h"
#include "bench_window.h"
#include "lists/list_snapshot.h"
#include "mainwindow/form1.h"
#include "measure.h"
#include "output/clipboard.h"
#include "output/core/table_text.h"
#include "output/core/text_table_file.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

namespace {

struct Window {
    SilentDesktop desktop;
    std::unique_ptr<Form1> form;

    explicit Window(int n)
    {
        form = makeBenchWindow(desktop);
        form->Form_Load();
        form->show();
        for (int i = 0; i < n; ++i) {
            form->ListView2.add(resultNumber(i));
        }
        QCoreApplication::processEvents();
    }
};

// How far this run took the resident set above where it started.
double peakGrowth(double before)
{
    return statusBytes("VmHWM") - before;
}

// The largest growth of the iterations: later ones can reuse memory that the first one freed.
void reportMemory(benchmark::State &state, double growth, double outputBytes)
{
    state.counters["output_MB"] = outputBytes / 1e6;
    state.counters["peak_growth_MB"] = growth / 1e6;
    state.counters["growth_per_output"] = growth / outputBytes;
}

// Where the table goes. On a disk, the save waits for the disk to confirm the whole file before
// it takes the old one's place (a table the disk might still lose is never reported saved), and
// that wait is the disk's. In memory (/dev/shm on Linux) only the program's own work is left.
QString onDisk()
{
    return QDir::tempPath();
}
QString inMemory()
{
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : onDisk();
}

void BM_SaveTextFile(benchmark::State &state, QString (*folder)())
{
    Window w(int(state.range(0)));
    QTemporaryDir dir(folder() + QStringLiteral("/dialroster-bench-XXXXXX"));
    w.desktop.nextFile = dir.filePath(QStringLiteral("results.txt"));
    RatioClock ratio;
    double before = 0;
    double growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(w.desktop.nextFile);
        resetPeak();
        before = statusBytes("VmRSS");
        state.ResumeTiming();
        ratio.start();
        w.form->runHandler([&] { w.form->PushButton3_Click(); });
        ratio.stop();
        growth = std::max(growth, peakGrowth(before));
    }
    ratio.report(state);
    const double size = double(QFileInfo(w.desktop.nextFile).size());
    reportMemory(state, growth, size);
    if (w.desktop.messages != 0 || size == 0) {
        state.SkipWithError("the file was not written");
    }
}
BENCHMARK_CAPTURE(BM_SaveTextFile, disk, onDisk)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_SaveTextFile, memory, inMemory)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void BM_CopyToClipboard(benchmark::State &state)
{
    Window w(int(state.range(0)));
    RatioClock ratio;
    double before = 0;
    double growth = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.desktop.clipboard = QString();
        resetPeak();
        before = statusBytes("VmRSS");
        state.ResumeTiming();
        ratio.start();
        w.form->runHandler([&] { w.form->PushButton8_Click(); });
        ratio.stop();
        growth = std::max(growth, peakGrowth(before));
    }
    ratio.report(state);
    // The text as the program holds it: UTF-16.
    reportMemory(state, growth, double(w.desktop.clipboard.size()) * 2);
    if (w.desktop.messages != 0 || w.desktop.clipboard.isEmpty()) {
        state.SkipWithError("nothing was copied");
    }
}
BENCHMARK(BM_CopyToClipboard)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

void BM_SnapshotOnly(benchmark::State &state)
{
    Window w(int(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(w.form->ListView2.snapshot().count());
    }
}
BENCHMARK(BM_SnapshotOnly)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
