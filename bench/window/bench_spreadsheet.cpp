// Exporting a million checked results to a workbook through the real handler.
#include "bench_window.h"
#include "mainwindow/form1.h"
#include "output/core/sheet_fill.h"
#include "output/core/xlsx_spreadsheet.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

// Writes the workbook but does not start a program to show it.
class UnshownXlsx : public XlsxSpreadsheet {
public:
    using XlsxSpreadsheet::XlsxSpreadsheet;
    void makeVisible() override { finish(); }
};

class WorkbookDesktop : public SilentDesktop {
public:
    explicit WorkbookDesktop(QString folder) : folder_(std::move(folder)) {}
    bool hasSpreadsheetProgram() override { return true; }
    std::unique_ptr<Spreadsheet> createSpreadsheet() override
    {
        return std::make_unique<UnshownXlsx>(folder_);
    }

private:
    QString folder_;
};

void BM_SpreadsheetExport(benchmark::State &state)
{
    const int n = int(state.range(0));
    QTemporaryDir dir;
    WorkbookDesktop desktop(dir.path());
    auto form = makeBenchWindow(desktop);
    form->Form_Load();
    for (int i = 0; i < n; ++i) {
        form->ListView2.add(QStringLiteral("717-%1-%2")
                                .arg(i / 10000 % 1000, 3, 10, QLatin1Char('0'))
                                .arg(i % 10000, 4, 10, QLatin1Char('0')));
    }
    QCoreApplication::processEvents();
    const double before = peakResidentBytes();
    RatioClock ratio;
    for (auto _ : state) {
        ratio.start();
        form->runHandler([&] { form->PushButton13_Click(); });
        ratio.stop();
    }
    ratio.report(state);
    if (desktop.messages != 0) {
        state.SkipWithError("the export reported a failure");
    }
    state.counters["peak_growth_MB"] = (peakResidentBytes() - before) / 1e6;
}
BENCHMARK(BM_SpreadsheetExport)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
