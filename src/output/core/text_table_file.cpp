#include "output/core/text_table_file.h"

#include "output/core/table_text.h"
#include "shell/core/line_file.h"
#include "shell/core/progress.h"

namespace {

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

// The table's size in bytes at the least: every character takes one byte or more.
qint64 leastTableBytes(const ListSnapshot &list, const std::vector<int> &widths)
{
    qint64 line = 2;  // CR LF
    for (const int w : widths) {
        line += qint64(w) + 1;
    }
    qint64 lines = 1;
    for (int i = 1; i <= list.count(); ++i) {
        lines += list.isChecked(i) ? 1 : 0;
    }
    return lines * line;
}

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
    // Every line is padded to the widest entry, so one long entry makes every line that long:
    // a table that cannot fit on the disk is refused before it fills it.
    file.requireRoom(leastTableBytes(list, widths));
    LineBytes out;
    appendTableHeader(out, list, widths, beforeEach);
    bar.at(20);

    const int n = list.count();
    writeLines(
        file, out, n,
        [&](LineBytes &line, int i) {
            if (list.isChecked(i)) {
                appendTableLine(line, list, widths, i, beforeEach);
                bar.afterEntry(i, n);
            }
        },
        beforeEach);
    file.commit();
    bar.done();
}
