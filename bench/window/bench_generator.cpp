// Generating numbers: the plain core, the real window, and the old linear lookup as a baseline.
#include "bench_data.h"
#include "bench_window.h"
#include "generator/core/duplicate_index.h"
#include "generator/core/generation_run.h"
#include "generator/core/numbers.h"
#include "generator/core/random_source.h"
#include "mainwindow/form1.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QLineEdit>

namespace {

// Click to done through the real window offscreen, yields and all.
void BM_WindowGenerate(benchmark::State &state)
{
    const int n = int(state.range(0));
    SilentDesktop desktop;
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    form->show();
    for (const QString &p : kSamplePrefixes) {
        form->ListView1.add(p);
    }
    form->Text1->setText(QString::number(n));
    QCoreApplication::processEvents();
    for (auto _ : state) {
        form->PushButton2_Click();
        QCoreApplication::processEvents();  // the last batch reaches the view
    }
    if (form->ListView2.count() != n) {
        state.SkipWithError("wrong count");
    }
    state.counters["peak_MB"] = peakResidentBytes() / 1e6;
}
BENCHMARK(BM_WindowGenerate)
    ->Arg(20'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
