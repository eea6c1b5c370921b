#include "output/core/text_table_file.h"

#include "output/core/table_text.h"
#include "shell/core/file_io.h"
#include "shell/core/progress.h"

namespace {

// Lines gather in memory up to about this size before they go to the file.
constexpr qsizetype kChunkBytes = 1 << 20;

// The bar's steps, each with the hook before and after; nothing without a bar.
class TableProgress {
public:
    TableProgress(ProgressDisplay *display, const QString &path, CellHook around)
        : display_(display),
          around_(around),
          text_(QStringLiteral("Writing file: ") + FileNameFromPath(path))
    {
    }

    void at(double value)
    {
        if (display_) {
            turn();
            display_->setValue(value);
            display_->setText(text_);
            turn();
        }
    }

    // After the line of entry i of n. Lists of 2,000 entries or more run past 100 at the end;
    // the bar shows that as 100.
    void afterEntry(int i, int n)
    {
        if (display_) {
            turn();
            display_->setValue(double(i + n / 2000) / double(n) * 100.0);
            if (i % 1000 == 0) {
                display_->setText(text_ + QStringLiteral(" (") + QString::number(i) +
                                  QStringLiteral(")"));
            }
            turn();
        }
    }

    void done()
    {
        if (display_) {
            display_->setValue(100);
            display_->setText(QStringLiteral("Done."));
            display_->setValue(0);
            display_->setText(kIdleProgressText);
        }
    }

private:
    void turn()
    {
        if (around_) {
            around_();
        }
    }

    ProgressDisplay *display_;
    CellHook around_;
    QString text_;
};

}  // namespace

void SaveListAsTextFile(const ListSnapshot &list, const QString &path, ProgressDisplay *progress,
                        CellHook beforeEach)
{
    TableProgress bar(progress, path, beforeEach);
    bar.at(1);
    const std::vector<int> widths = columnWidths(list, true, beforeEach);
    bar.at(10);

    AtomicFile file(path);
    file.open();
    LineBytes chunk;
    appendTableHeader(chunk, list, widths, beforeEach);
    bar.at(20);

    const int n = list.count();
    for (int i = 1; i <= n; ++i) {
        if (beforeEach) {
            beforeEach();
        }
        if (!list.isChecked(i)) {
            continue;
        }
        appendTableLine(chunk, list, widths, i, beforeEach);
        bar.afterEntry(i, n);
        if (chunk.size() >= kChunkBytes) {
            file.write(chunk.view());
            chunk.clear();
        }
    }
    file.write(chunk.view());
    file.commit();
    bar.done();
}
