// Generating numbers without the window: the run the window drives, and the old linear lookup as
// the measure of what the duplicate index gained.
#include "bench_data.h"
#include "generator/core/generation_run.h"
#include "generator/core/numbers.h"
#include "generator/core/random_source.h"
#include "lists/list_model.h"
#include "measure.h"
#include "silent_desktop.h"

#include <benchmark/benchmark.h>

namespace {

// The window's run without the window: the same batches, the same index, the same list model,
// only never shown.
void BM_GeneratorCore(benchmark::State &state, const QStringList &(*prefixList)(),
                      bool againstFlatTable)
{
    const int n = int(state.range(0));
    const QStringList &prefixes = prefixList();
    const double flatTableMs = againstFlatTable ? flatTableMilliseconds(prefixes, n) : 0;
    RandomSource source(12345);
    RatioClock ratio;
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        state.ResumeTiming();
        ratio.start();
        GenerationRun run(n, source);
        run.setPrefixes(prefixes);
        ListModel results;
        ListEntries fresh;
        GenerationRun::Stop stop = GenerationRun::Stop::None;
        while (stop == GenerationRun::Stop::None) {
            run.draw();
            stop = run.keep(fresh);
            results.add(fresh);
        }
        ratio.stop();
        peak = std::max(peak, statusBytes("VmHWM"));
        if (results.count() != n) {
            state.SkipWithError("wrong count");
        }
    }
    ratio.report(state);
    ratio.reportAgainstFlatTable(state, flatTableMs);
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["ns_per_number"] = nanosecondsPerNumber(n);
}
// The program's own large workload: the 359 default area codes, with the flat-table reference.
BENCHMARK_CAPTURE(BM_GeneratorCore, default_area_codes, defaultAreaCodes, true)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK_CAPTURE(BM_GeneratorCore, sample, samplePrefixes, false)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
// How the time per number holds as the run grows.
BENCHMARK_CAPTURE(BM_GeneratorCore, area_codes, tenAreaCodes, false)
    ->Apply(scalingSizes)
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
            const int k = int(RandomNumber(int(kSamplePrefixes.size()), source));
            const QString number = completeNumber(rebuildPrefix(kSamplePrefixes[k - 1]), source);
            bool found = false;  // every entry read, as the lookup did
            for (int i = 1; i <= results.count(); ++i) {
                found = results.text(i) == number || found;
            }
            if (!found) {
                results.add(number);
                ++added;
            }
        }
        benchmark::DoNotOptimize(results.count());
    }
}
BENCHMARK(BM_LinearLookupBaseline)->Arg(20'000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
