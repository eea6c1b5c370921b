// Reading the list file form and the stored prefix list, without the window.
#include "bench_data.h"
#include "mainwindow/core/settings_format.h"
#include "prefixes/core/list_file_text.h"

#include <benchmark/benchmark.h>

namespace {

void BM_ReadListText(benchmark::State &state)
{
    const QByteArray bytes = listFileBytes(int(state.range(0)));
    for (auto _ : state) {
        QStringList entries;
        forEachListEntry(decodeListFileText(bytes),
                         [&](QStringView entry) { entries.append(entry.toString()); });
        benchmark::DoNotOptimize(entries.size());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_ReadListText)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

// The stored form alone, without the store.
void BM_JoinAndSplit(benchmark::State &state)
{
    const QStringList prefixes = manyPrefixes(int(state.range(0)));
    for (auto _ : state) {
        QStringList back;
        forEachStoredPrefix(joinPrefixes(prefixes),
                            [&](QStringView piece) { back.append(piece.toString()); });
        benchmark::DoNotOptimize(back.size());
    }
}
BENCHMARK(BM_JoinAndSplit)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
