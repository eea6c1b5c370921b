#include "measure.h"

#include "bench_data.h"
#include "generator/core/random_source.h"
#include "prefixes/core/area_code_store.h"

#include <QCoreApplication>
#include <QMap>

#include <malloc.h>
#include <sys/resource.h>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
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

// The flat-table reference's work once.
std::size_t flatTableRun(const QStringList &areaCodes, int n)
{
    std::mt19937_64 random(12345);
    std::vector<std::uint64_t> firstDigits;
    std::vector<std::uniform_int_distribution<std::uint64_t>> rest;
    for (const QString &code : areaCodes) {
        firstDigits.push_back(code.toULongLong() * 10'000'000);
        rest.emplace_back(0, 9'999'999);
    }
    std::uniform_int_distribution<std::size_t> pick(0, firstDigits.size() - 1);
    int bits = 1;
    while ((std::size_t(1) << bits) < 2 * std::size_t(n)) {
        ++bits;
    }
    std::vector<std::uint64_t> table(std::size_t(1) << bits, 0);  // key + 1, 0 for free
    const std::size_t mask = table.size() - 1;
    std::vector<std::uint64_t> numbers;
    numbers.reserve(std::size_t(n));
    while (numbers.size() < std::size_t(n)) {
        const std::size_t k = pick(random);
        const std::uint64_t key = firstDigits[k] + rest[k](random) + 1;
        std::size_t i = std::size_t((key * 0x9E3779B97F4A7C15ULL) >> (64 - bits));
        while (table[i] != 0 && table[i] != key) {
            i = (i + 1) & mask;
        }
        if (table[i] == 0) {
            table[i] = key;
            numbers.push_back(key - 1);
        }
    }
    return numbers.size();
}

}  // namespace

const QStringList &defaultAreaCodes()
{
    static const QStringList codes = [] {
        QStringList read;
        AreaCodeStore store(QCoreApplication::applicationDirPath() + QStringLiteral("/../") +
                            kAreaCodeStoreName);
        store.createConnection();
        store.createQuery();
        store.open();
        for (store.runQuery(); !store.atEnd(); store.next()) {
            if (const std::optional<QString> code = store.code()) {
                read.append(*code);
            }
        }
        return read;
    }();
    return codes;
}

double flatTableMilliseconds(const QStringList &areaCodes, int n)
{
    static QMap<QPair<QStringList, int>, double> measured;
    const QPair<QStringList, int> key(areaCodes, n);
    if (!measured.contains(key)) {
        std::vector<double> runs;
        for (int i = 0; i < 5; ++i) {
            const double start = nowMs();
            benchmark::DoNotOptimize(flatTableRun(areaCodes, n));
            runs.push_back(nowMs() - start);
        }
        malloc_trim(0);
        std::sort(runs.begin(), runs.end());
        measured[key] = runs[runs.size() / 2];
        std::printf("flat-table reference (%d numbers from %d area codes): %.1f ms, median of 5\n",
                    n, int(areaCodes.size()), measured[key]);
    }
    return measured[key];
}

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

void RatioClock::reportAgainstFlatTable(benchmark::State &state, double flatTableMs) const
{
    if (iterations_ > 0 && flatTableMs > 0) {
        state.counters["x_flat_table"] = totalMs_ / iterations_ / flatTableMs;
    }
}

void RatioClock::report(benchmark::State &state) const
{
    const double ms = iterations_ > 0 ? totalMs_ / iterations_ : 0;
    state.counters["ms"] = ms;
    if (referenceMilliseconds() > 0) {
        state.counters["x_reference"] = ms / referenceMilliseconds();
    }
}
