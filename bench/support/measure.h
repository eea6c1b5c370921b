#pragma once

#include <benchmark/benchmark.h>
#include <QStringList>

// What the benchmarks measure besides time, and the plain reference every figure is compared
// with, so that figures taken on machines of different speed (or on a busy one) compare.

// A status line of this process in bytes ("VmRSS", "VmHWM"); 0 where there is no such file.
double statusBytes(const char *key);
// Starts the peak resident set afresh from the current one, so a run's own peak can be read.
void resetPeak();
// The largest resident set of this process since it started, in bytes.
double peakResidentBytes();

// The plain reference: a million numbers from the three sample prefixes, drawn as the program
// draws them, kept distinct in a std::unordered_set<std::string> and listed in a
// std::vector<std::string>. Measured once per program, before the benchmarks: the median of
// five runs, in milliseconds.
double measureReference();
double referenceMilliseconds();

// The flat-table reference for n numbers from these area codes: what a plain program written in an
// hour does, with std::mt19937_64, a uniform_int_distribution per prefix, the numbers as 10-digit
// keys in a linear-probing table of 2n slots and a vector of results. The median of five runs, in
// milliseconds, measured the first time a list and count are asked for.
double flatTableMilliseconds(const QStringList &areaCodes, int n);

// The counter "ns_per_number" of a benchmark that makes n numbers an iteration.
benchmark::Counter nanosecondsPerNumber(int n);
// The run sizes over which the time per number is compared: 10 thousand to 10 million.
void scalingSizes(benchmark::internal::Benchmark *benchmark);

// Times one iteration's work for the ratio to the reference.
class RatioClock {
public:
    void start();
    void stop();
    // Sets the counters "ms" (the median's base: milliseconds per iteration) and "x_reference"
    // (the same over the reference's milliseconds).
    void report(benchmark::State &state) const;
    // Sets the counter "x_flat_table": milliseconds per iteration over the flat-table reference's.
    void reportAgainstFlatTable(benchmark::State &state, double flatTableMs) const;

private:
    double totalMs_ = 0;
    int iterations_ = 0;
    double startedMs_ = 0;
};
