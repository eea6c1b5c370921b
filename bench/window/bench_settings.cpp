// Saving the prefix list at close and restoring it at the next start, with long lists.
#include "bench_data.h"
#include "bench_window.h"
#include "mainwindow/core/settings_format.h"
#include "mainwindow/form1.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>

namespace {

QString storeFile()
{
    QSettings settings(QStringLiteral("Quillane"), QStringLiteral("Quillane"));
    return settings.fileName();
}

// QSettings reads a file again only when it changed on disk; a new start must read it whole.
void markStoreChanged()
{
    QFile file(storeFile());
    if (file.open(QIODevice::ReadOnly)) {
        file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                         QFileDevice::FileModificationTime);
    }
}

// Closing the window: the list is joined, written and flushed.
void BM_SaveAtClose(benchmark::State &state)
{
    const int n = int(state.range(0));
    SilentDesktop desktop;
    auto form = makeBenchWindow(desktop);
    for (const QString &p : manyPrefixes(n)) {
        form->ListView1.add(p);
    }
    for (auto _ : state) {
        form->runHandler([&] { form->Form_QueryUnload(); });
    }
    if (desktop.messages != 0) {
        state.SkipWithError("the store was not written");
    }
}
BENCHMARK(BM_SaveAtClose)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(10);

// The next start: the whole start-up, the stored list read from disk and shown.
void BM_RestoreAtStart(benchmark::State &state)
{
    const int n = int(state.range(0));
    SilentDesktop desktop;
    {
        auto form = makeBenchWindow(desktop);
        for (const QString &p : manyPrefixes(n)) {
            form->ListView1.add(p);
        }
        form->runHandler([&] { form->Form_QueryUnload(); });
    }
    int restored = 0;
    for (auto _ : state) {
        state.PauseTiming();
        markStoreChanged();
        auto form = makeBenchWindow(desktop);
        state.ResumeTiming();
        form->Form_Load();
        QCoreApplication::processEvents();  // the list reaches the view
        restored = form->ListView1.count();
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
    if (restored != n) {
        state.SkipWithError("wrong count restored");
    }
}
BENCHMARK(BM_RestoreAtStart)->Arg(100'000)->Unit(benchmark::kMillisecond)->Iterations(10);

// One keystroke in the count box while a long list is stored: only the count is written.
void BM_CountKeystrokeWithLongListStored(benchmark::State &state)
{
    SilentDesktop desktop;
    auto form = makeBenchWindow(desktop);
    for (const QString &p : manyPrefixes(int(state.range(0)))) {
        form->ListView1.add(p);
    }
    form->runHandler([&] { form->Form_QueryUnload(); });
    bool odd = false;
    RatioClock ratio;
    for (auto _ : state) {
        ratio.start();
        form->Text1->setText((odd = !odd) ? QStringLiteral("199") : QStringLiteral("200"));
        ratio.stop();
    }
    ratio.report(state);
}
BENCHMARK(BM_CountKeystrokeWithLongListStored)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

// The reference for the keystroke: the count written into the store itself, which writes the
// whole file again, long list and all.
void BM_CountIntoWholeStoreReference(benchmark::State &state)
{
    SilentDesktop desktop;
    auto form = makeBenchWindow(desktop);
    for (const QString &p : manyPrefixes(int(state.range(0)))) {
        form->ListView1.add(p);
    }
    form->runHandler([&] { form->Form_QueryUnload(); });
    QSettings settings(QStringLiteral("Quillane"), QStringLiteral("Quillane"));
    settings.beginGroup(QStringLiteral("Brindlemoor Dial Roster Maker Studio Suite"));
    bool odd = false;
    for (auto _ : state) {
        settings.setValue(QStringLiteral("Number Of Phones"),
                          (odd = !odd) ? QStringLiteral("199") : QStringLiteral("200"));
        settings.sync();
    }
}
BENCHMARK(BM_CountIntoWholeStoreReference)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
