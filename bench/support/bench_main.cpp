#include <benchmark/benchmark.h>
#ifdef DIALROSTER_BENCH_WINDOW
#include <QApplication>
#else
#include <QCoreApplication>
#endif
#include <QSettings>
#include <QTemporaryDir>

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
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
