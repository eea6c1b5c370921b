// The text forms of the result list without the window, the yields or the disk.
#include "bench_data.h"
#include "lists/list_snapshot.h"
#include "output/core/table_text.h"

#include <benchmark/benchmark.h>

namespace {

// A snapshot of n checked numbers under the result list's header, as plain rows.
ListSnapshot resultSnapshot(int n)
{
    ListSnapshot s;
    s.headers = {QStringLiteral("Result/s - No duplicates will be added to this list")};
    for (int i = 0; i < n; ++i) {
        s.append(resultNumber(i), true);
    }
    return s;
}

void BM_ClipboardTextOnly(benchmark::State &state)
{
    const ListSnapshot s = resultSnapshot(int(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(clipboardText(s).size());
    }
}
BENCHMARK(BM_ClipboardTextOnly)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
