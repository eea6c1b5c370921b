#include "output/core/sheet_fill.h"

namespace {

QString withoutEquals(QString text)
{
    return text.remove(QLatin1Char('='));
}

// [116]-[136] Row 1: the header of every column whose cell in the first entry is not empty.
bool fillHeaderRow(const ListSnapshot &list, const SheetCellWriter &write, CellHook beforeEach)
{
    // Without a first entry there is no header either. (The command itself stops before, at an
    // empty list.)
    if (list.count() == 0) {
        return true;
    }
    int i = 1;
    for (int k = 1; k <= list.columns(); ++k) {
        if (beforeEach) {
            beforeEach();
        }
        if (!list.cell(1, k).isEmpty()) {
            if (!write(k == 1 ? 126 : 132, 1, i, list.headers[k - 1])) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

// [146]-[166] The cells of entry k that are not empty, in row j from column 1.
bool fillEntryRow(const ListSnapshot &list, int k, int j, const SheetCellWriter &write,
                  CellHook beforeEach, QString &number)
{
    int i = 1;
    for (int m = 1; m <= list.columns(); ++m) {
        if (beforeEach) {
            beforeEach();
        }
        if (m == 1 && list.isNumber(k)) {
            writeNumber(list.number(k), reinterpret_cast<char16_t *>(number.data()));
        }
        const QString &cell = m == 1 && list.isNumber(k) ? number : list.cell(k, m);
        if (!cell.isEmpty()) {
            if (!write(m == 1 ? 156 : 162, j, i, m == 1 ? cell : withoutEquals(cell))) {
                return false;
            }
            ++i;
        }
    }
    return true;
}

}  // namespace

bool fillSheet(const ListSnapshot &list, const SheetCellWriter &write, CellHook beforeEach)
{
    if (!fillHeaderRow(list, write, beforeEach)) {
        return false;
    }
    // A number's text is written into the same string every time: this export's own, as another
    // may run inside its yields.
    QString number(12, u'0');
    // [138]-[170] Entry k in row k + 1, checked or not.
    for (int k = 1; k <= list.count(); ++k) {
        if (beforeEach) {
            beforeEach();
        }
        if (list.isChecked(k) && !fillEntryRow(list, k, k + 1, write, beforeEach, number)) {
            return false;
        }
    }
    return true;
}
