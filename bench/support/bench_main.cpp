#include "measure.h"

#include <benchmark/benchmark.h>
#ifdef DIALROSTER_BENCH_WINDOW
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include <QSettings>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
#ifdef DIALROSTER_BENCH_WINDOW
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    // Every window reads and writes the settings store: give the benchmarks one of their own, so
    // they never reach the user's settings.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    benchmark::Initialize(&argc, argv);
    // DIALROSTER_BENCH_NO_REFERENCE=1 leaves the reference out, for profiling one benchmark.
    if (qEnvironmentVariableIsEmpty("DIALROSTER_BENCH_NO_REFERENCE")) {
        std::printf(
            "plain reference (1,000,000 numbers, unordered_set<string> + "
            "vector<string>): %.1f ms, median of 5\n",
            measureReference());
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
