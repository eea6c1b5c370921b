// Prefix list files: reading the text form, loading a file into the real window, and saving the
// result list as lines.
#include "bench_data.h"
#include "bench_window.h"
#include "listcontrol/list_view.h"
#include "mainwindow/form1.h"
#include "measure.h"
#include "prefixes/core/list_file_text.h"
#include "prefixes/prefix_files.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Click to done through the real window offscreen: open, read, decode, append, show.
void BM_WindowLoadPrefixFile(benchmark::State &state)
{
    const int lines = int(state.range(0));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("prefixes.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(listFileBytes(lines)) < 0) {
            state.SkipWithError("cannot write the list file");
            return;
        }
    }
    SilentDesktop desktop;
    desktop.nextFile = path;
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    form->show();
    QCoreApplication::processEvents();
    RatioClock ratio;
    for (auto _ : state) {
        ratio.start();
        form->runHandler([&] { form->PushButton10_Click(); });
        QCoreApplication::processEvents();  // the last batch reaches the view
        ratio.stop();
        state.PauseTiming();
        if (form->ListView1.count() != lines || desktop.messages != 0) {
            state.SkipWithError("wrong entries");
        }
        form->ListView1.clear();
        QCoreApplication::processEvents();
        resetPeak();  // the next load starts on fresh memory, as the first one does
        state.ResumeTiming();
    }
    ratio.report(state);
    state.counters["peak_MB"] = peakResidentBytes() / 1e6;
}
BENCHMARK(BM_WindowLoadPrefixFile)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// Click to done: the snapshot of the result list, the yields, encoding and the replace.
void BM_WindowSaveResults(benchmark::State &state)
{
    const int entries = int(state.range(0));
    QTemporaryDir dir;
    SilentDesktop desktop;
    desktop.nextFile = dir.filePath(QStringLiteral("results.txt"));
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    form->show();
    forEachListEntry(decodeListFileText(listFileBytes(entries)),
                     [&](QStringView line) { form->ListView2.add(line); });
    QCoreApplication::processEvents();
    for (auto _ : state) {
        form->runHandler([&] {
            form->PushButton5_Click();
        });  // replaces the file of the run before; the box answers Yes
    }
    if (QFile(desktop.nextFile).size() != qint64(entries) * 14 || desktop.messages > 2) {
        state.SkipWithError("wrong file");
    }
    state.counters["peak_MB"] = peakResidentBytes() / 1e6;
}
BENCHMARK(BM_WindowSaveResults)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// A file of the system's that says it is empty and holds gigabytes, chosen as a list file: click
// to the refusal.
void BM_WindowRefusePseudoFile(benchmark::State &state)
{
    SilentDesktop desktop;
    desktop.nextFile = QStringLiteral("/proc/self/pagemap");
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    for (auto _ : state) {
        form->runHandler([&] { form->PushButton10_Click(); });
    }
    if (desktop.messages != int(state.iterations()) || form->ListView1.count() != 0) {
        state.SkipWithError("not refused");
    }
}
BENCHMARK(BM_WindowRefusePseudoFile)->Unit(benchmark::kMillisecond)->Iterations(3);

// A repaint of the prefix list holding one entry of 15 MB, as a one-line file of that size
// gives.
void BM_PaintLongEntry(benchmark::State &state)
{
    SilentDesktop desktop;
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    form->show();
    QString entry;
    while (entry.size() < 15 * 1024 * 1024) {
        entry += QStringLiteral("603-43 800-281-2 717 ");
    }
    form->ListView1.add(entry);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        form->listView1Widget->viewport()->repaint();
    }
}
BENCHMARK(BM_PaintLongEntry)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
