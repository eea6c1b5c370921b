// Generating numbers: the plain core, the real window, and the old linear lookup as a baseline.
#include "generator/core/duplicate_index.h"
#include "generator/core/generation_run.h"
#include "generator/core/numbers.h"
#include "generator/core/random_source.h"
#include "mainwindow/form1.h"
#include "silent_desktop.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QLineEdit>

namespace {

const QStringList kSample = {"603-43", "800-281-2", "717"};

void BM_GeneratorCore(benchmark::State &state)
{
    const int n = int(state.range(0));
    RandomSource source(12345);
    QStringList rebuilt;
    for (const QString &p : kSample) {
        rebuilt << RebuildPrefix(p);
    }
    for (auto _ : state) {
        DuplicateIndex index;
        index.reserve(std::size_t(n));
        std::vector<QString> results;
        results.reserve(std::size_t(n));
        std::vector<QString> batch;
        std::vector<char> fresh;
        while (int(results.size()) < n) {
            batch.clear();
            for (int b = std::min(64, n - int(results.size())); b > 0; --b) {
                const int k = int(RandomNumber(int(rebuilt.size()), source));
                batch.push_back(CompleteNumber(rebuilt[k - 1], source));
            }
            index.insert(batch, fresh);
            for (std::size_t b = 0; b < batch.size(); ++b) {
                if (fresh[b]) {
                    results.push_back(batch[b]);
                }
            }
        }
        benchmark::DoNotOptimize(results.data());
    }
    state.counters["peak_MB"] = peakResidentBytes() / 1e6;
}
BENCHMARK(BM_GeneratorCore)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

// Click to done through the real window offscreen, yields and all.
void BM_WindowGenerate(benchmark::State &state)
{
    const int n = int(state.range(0));
    SilentDesktop desktop;
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    form->show();
    for (const QString &p : kSample) {
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

// The lookup as it was: every draw reads every entry of the result list.
void BM_LinearLookupBaseline(benchmark::State &state)
{
    const int n = int(state.range(0));
    RandomSource source(12345);
    for (auto _ : state) {
        ListModel results;
        int added = 0;
        while (added < n) {
            const int k = int(RandomNumber(int(kSample.size()), source));
            const QString number = CompleteNumber(RebuildPrefix(kSample[k - 1]), source);
            if (!IsInList(results, number)) {
                results.add(number);
                ++added;
            }
        }
        benchmark::DoNotOptimize(results.count());
    }
}
BENCHMARK(BM_LinearLookupBaseline)->Arg(20'000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
