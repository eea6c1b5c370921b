// The spreadsheet export: the real workbook file, read back by an independent reader.
#include "output/xlsx_spreadsheet.h"
#include "shell/failure.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class TestSpreadsheet : public QObject {
    Q_OBJECT
  private slots:
    void workbookReadsBackAsStrings();
    void cellsBeforeTheWorkbookFail();
    void unwritableFolderFails();
};

namespace {

// Cell values as "A1=text|type" lines, and column A's width, as openpyxl reads them.
QString readBack(const QString &path) {
    const QString script = QStringLiteral(
        "import sys, openpyxl\n"
        "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
        "for row in ws.iter_rows():\n"
        "    for c in row:\n"
        "        if c.value is not None:\n"
        "            print(f'{c.coordinate}={c.value}|{c.data_type}')\n"
        "print('width', round(ws.column_dimensions['A'].width or 0))\n"
        "print('rows', ws.max_row)\n");
    QProcess python;
    // Debian's own interpreter: that is where python3-openpyxl installs.
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        return QStringLiteral("reader failed: ") + QString::fromUtf8(python.readAllStandardError());
    }
    return QString::fromUtf8(python.readAllStandardOutput());
}

}  // namespace

void TestSpreadsheet::workbookReadsBackAsStrings() {
    if (!QFile::exists(QStringLiteral("/usr/bin/python3"))) {
        QSKIP("python3 with openpyxl is installed by the setup script");
    }
    QTemporaryDir dir;
    XlsxSpreadsheet sheet(dir.path() + QStringLiteral("/made"));
    sheet.addWorkbook();
    sheet.setCell(1, 1, QStringLiteral("Result/s - No duplicates will be added to this list"));
    sheet.setCell(2, 1, QStringLiteral("717-555-0100"));
    sheet.setCell(4, 1, QStringLiteral("=1+1"));
    sheet.setCell(5, 1, QStringLiteral("+12"));
    sheet.setCell(5, 2, QStringLiteral("@SUM(A1)"));
    sheet.setCell(6, 1, QStringLiteral("-5"));
    sheet.autofitColumns();
    sheet.finish();
    QVERIFY(sheet.path().contains(QStringLiteral("Phone numbers ")));
    QVERIFY(sheet.path().endsWith(QStringLiteral(".xlsx")));

    const QString lines = readBack(sheet.path());
    QCOMPARE(lines, QStringLiteral("A1=Result/s - No duplicates will be added to this list|s\n"
                                   "A2=717-555-0100|s\n"
                                   "A4==1+1|s\n"
                                   "A5=+12|s\n"
                                   "B5=@SUM(A1)|s\n"
                                   "A6=-5|s\n"
                                   "width 58\n"
                                   "rows 6\n"));
    // Only the finished workbook is left in the folder, no temporary files.
    QCOMPARE(QDir(dir.path() + QStringLiteral("/made")).entryList(QDir::Files).size(), 1);
}

void TestSpreadsheet::cellsBeforeTheWorkbookFail() {
    QTemporaryDir dir;
    XlsxSpreadsheet sheet(dir.path());
    QVERIFY_THROWS_EXCEPTION(Failure, sheet.setCell(1, 1, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(Failure, sheet.autofitColumns());
    QVERIFY_THROWS_EXCEPTION(Failure, sheet.makeVisible());
}

void TestSpreadsheet::unwritableFolderFails() {
    QTemporaryDir dir;
    QFile blocker(dir.path() + QStringLiteral("/file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A folder inside a plain file can never be made, not even by root.
    XlsxSpreadsheet sheet(blocker.fileName() + QStringLiteral("/sub"));
    QVERIFY_THROWS_EXCEPTION(Failure, sheet.addWorkbook());
}

QTEST_MAIN(TestSpreadsheet)
#include "test_spreadsheet.moc"
