#include "measure.h"

#include "bench_data.h"
#include "generator/core/random_source.h"

#include <malloc.h>
#include <sys/resource.h>
#include <QElapsedTimer>
#include <algorithm>
#include <fstream>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

double g_referenceMs = 0;

QElapsedTimer &clock()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

double nowMs()
{
    return double(clock().nsecsElapsed()) / 1e6;
}

// The reference's work once.
std::size_t referenceRun()
{
    RandomSource source(12345);
    const std::vector<std::string> prefixes = {"603-43", "800-281-2", "717"};
    std::unordered_set<std::string> seen;
    std::vector<std::string> numbers;
    while (numbers.size() < 1'000'000) {
        std::string number = prefixes[std::size_t(RandomNumber(3, source)) - 1];
        for (std::size_t j = number.size() + 1; j <= 12; ++j) {
            number += (j == 4 || j == 8) ? '-' : char('0' + int(RandomNumber(10, source)) - 1);
        }
        if (seen.insert(number).second) {
            numbers.push_back(std::move(number));
        }
    }
    return numbers.size();
}

}  // namespace

double statusBytes(const char *key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return std::stod(line.substr(prefix.size())) * 1024.0;
        }
    }
    return 0;
}

void resetPeak()
{
    // Memory freed earlier goes back to the system first, or it would be reused unseen.
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

double peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) * 1024.0;
}

double measureReference()
{
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) {
        const double start = nowMs();
        benchmark::DoNotOptimize(referenceRun());
        runs.push_back(nowMs() - start);
    }
    // The reference's strings go back to the system, so they do not count in the benchmarks'
    // resident sets.
    malloc_trim(0);
    std::sort(runs.begin(), runs.end());
    g_referenceMs = runs[runs.size() / 2];
    return g_referenceMs;
}

double referenceMilliseconds()
{
    return g_referenceMs;
}

benchmark::Counter nanosecondsPerNumber(int n)
{
    return benchmark::Counter(
        double(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void scalingSizes(benchmark::internal::Benchmark *benchmark)
{
    for (const int n : {10'000, 100'000, 1'000'000, 10'000'000}) {
        benchmark->Arg(n);
    }
}

void RatioClock::start()
{
    startedMs_ = nowMs();
}

void RatioClock::stop()
{
    totalMs_ += nowMs() - startedMs_;
    ++iterations_;
}

void RatioClock::report(benchmark::State &state) const
{
    const double ms = iterations_ > 0 ? totalMs_ / iterations_ : 0;
    state.counters["ms"] = ms;
    if (referenceMilliseconds() > 0) {
        state.counters["x_reference"] = ms / referenceMilliseconds();
    }
}
