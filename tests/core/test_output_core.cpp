// The text forms of the result list, bytes compared exactly: the table file with its progress,
// the clipboard text, the list file lines and the sheet's cells, for numbers kept as digits and
// the same entries kept as text.
#include "lists/list_model.h"
#include "lists/list_snapshot.h"
#include "output/core/sheet_fill.h"
#include "output/core/table_text.h"
#include "output/core/text_table_file.h"
#include "prefixes/core/list_file_text.h"
#include "shell/core/desktop.h"
#include "shell/core/failure.h"
#include "shell/core/progress.h"
#include "support/file_bytes.h"
#include "support/result_lists.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <random>

namespace {

// A list with the given columns whose entries start checked, as the result list's do.
void setUp(ListModel &list, const QStringList &headers)
{
    list.setCheckable(true);
    for (const QString &h : headers) {
        list.addColumn(h, 1000);
    }
}

// Every cell a sheet is given, as "row,column=text" lines.
class RecordingSheet : public Spreadsheet {
public:
    QStringList cells;
    void addWorkbook() override {}
    void setCell(int row, int column, const QString &text) override
    {
        cells << QStringLiteral("%1,%2=%3").arg(row).arg(column).arg(text);
    }
    void autofitColumns() override {}
    void makeVisible() override {}
};

// Everything the outputs make of a list.
struct Outputs {
    QByteArray file;
    QString clipboard;
    QByteArray lines;
    QStringList cells;
};

Outputs outputsOf(const ListSnapshot &list, const QString &path)
{
    Outputs o;
    SaveListAsTextFile(list, path);
    o.file = readBytes(path);
    o.clipboard = clipboardText(list);
    LineBytes lines;
    for (int i = 1; i <= list.count(); ++i) {
        appendListFileLine(lines, list, i);
    }
    o.lines = lines.view().toByteArray();
    RecordingSheet sheet;
    fillSheet(list, [&](int, int row, int column, const QString &text) {
        sheet.setCell(row, column, text);
        return true;
    });
    o.cells = sheet.cells;
    return o;
}

// Cells of the forms a list may hold: numbers, texts that nearly are, and texts that are not.
QString randomCell(std::mt19937 &random, bool numberOnly = false)
{
    const auto digits = [&](int n) {
        QString text;
        for (int i = 0; i < n; ++i) {
            text += QChar(char16_t(u'0' + random() % 10));
        }
        return text;
    };
    switch (numberOnly ? 0 : random() % 8) {
        case 0:
        case 1:
        case 2:
            return digits(3) + u'-' + digits(3) + u'-' + digits(4);
        case 3:
            return digits(3) + u'-' + digits(3) + u'-' + digits(3) + u'x';
        case 4:
            return digits(10);
        case 5:
            return digits(3) + u'-' + digits(3) + u'-' + digits(5);
        case 6:
            return random() % 2 ? QString() : QStringLiteral("  717  ");
        default:
            return QStringLiteral("Z\u00fcrich-%1 =x").arg(digits(2));
    }
}

}  // namespace

class TestOutputCore : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void progressOf3000Items();
    void numbersKeptAsDigitsGiveTheSameBytes();
    void tableThatCannotFitIsRefusedBeforeWriting();
};

void TestOutputCore::formats_data()
{
    QTest::addColumn<QStringList>("headers");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<QList<bool>>("checked");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("clipboard");  // null: left as it was

    QTest::newRow("empty") << QStringList{kResultHeader} << QList<QStringList>{} << QList<bool>{}
                           << QByteArray(kResultHeader.toUtf8() + "\t\r\n") << QString();
    // Numbers alone under a header shorter than a number, and the same header over nothing.
    QTest::newRow("numbers, short header")
        << QStringList{"No"} << QList<QStringList>{{"555-000-0001"}, {"555-000-0002"}}
        << QList<bool>{true, false} << QByteArray("No          \t\r\n555-000-0001\t\r\n")
        << QStringLiteral("555-000-0001\r\n");
    QTest::newRow("short header, empty") << QStringList{"No"} << QList<QStringList>{}
                                         << QList<bool>{} << QByteArray("No\t\r\n") << QString();
    // Widths count unchecked entries too, so the header is padded to the long one.
    QTest::newRow("none checked") << QStringList{kResultHeader}
                                  << QList<QStringList>{{"555-000-0001"}, {QString(60, u'7')}}
                                  << QList<bool>{false, false} << paddedLine(kResultHeader, 60)
                                  << QStringLiteral("");
    QTest::newRow("checked, lengths differ")
        << QStringList{kResultHeader}
        << QList<QStringList>{{"555-000-0001"}, {"555-0001"}, {"1"}, {"555-000-0003"}}
        << QList<bool>{true, true, false, true}
        << QByteArray(kResultHeader.toUtf8() + "\t\r\n" + "555-000-0001" + QByteArray(39, ' ') +
                      "\t\r\n" + paddedLine("555-0001", 51) + "555-000-0003" + QByteArray(39, ' ') +
                      "\t\r\n")
        << QStringLiteral("555-000-0001\r\n555-0001\r\n555-000-0003\r\n");
    QTest::newRow("two columns, 3 and 5")
        << QStringList{"No", "Name"}
        << QList<QStringList>{{"abc", "x"}, {"abcde", "y  "}, {"1", "Mallory"}}
        << QList<bool>{true, true, false}
        << QByteArray("No   \tName   \t\r\nabc  \tx      \t\r\nabcde\ty      \t\r\n")
        << QStringLiteral("abc  \tx\r\nabcde\ty\r\n");
    // Widths are characters; the file is UTF-8.
    QTest::newRow("non-ASCII") << QStringList{"H"} << QList<QStringList>{{"\u00e9\u00e9"}}
                               << QList<bool>{true} << QByteArray("H \t\r\n\xc3\xa9\xc3\xa9\t\r\n")
                               << QStringLiteral("\u00e9\u00e9\r\n");
}

void TestOutputCore::formats()
{
    QFETCH(QStringList, headers);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QList<bool>, checked);
    QFETCH(QByteArray, file);
    QFETCH(QString, clipboard);
    ListModel list;
    setUp(list, headers);
    for (int i = 0; i < rows.size(); ++i) {
        list.add(rows[i][0]);
        for (int k = 1; k < rows[i].size(); ++k) {
            list.setSubItem(i + 1, k, rows[i][k]);
        }
        list.setChecked(i + 1, checked[i]);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    ProgressRecorder r;
    SaveListAsTextFile(list.snapshot(), path, &r);
    QCOMPARE(readBytes(path), file);
    // Values only for checked entries, exactly i / N * 100 below 2,000 entries.
    QList<double> values{1, 10, 20};
    for (int i = 1; i <= rows.size(); ++i) {
        if (checked[i - 1]) {
            values << double(i) / rows.size() * 100.0;
        }
    }
    QCOMPARE(r.values, values << 100 << 0);

    // An empty list gives no text at all; the copy then leaves the clipboard alone (the window's
    // tests see to that).
    QCOMPARE(clipboardText(list.snapshot()), clipboard.isNull() ? QString() : clipboard);
}

void TestOutputCore::progressOf3000Items()
{
    ListModel list;
    setUp(list, {kResultHeader});
    addResultNumbers(list, 3000);
    QTemporaryDir dir;
    ProgressRecorder r;
    SaveListAsTextFile(list.snapshot(), dir.filePath(QStringLiteral("r.txt")), &r);
    QCOMPARE(r.values.size(), 3 + 3000 + 2);
    for (int i = 1; i <= 3000; ++i) {
        QCOMPARE(r.values[2 + i], double(i + 1) / 3000.0 * 100.0);
    }
    const QString t = QStringLiteral("Writing file: r.txt");
    QCOMPARE(r.texts, QStringList({t, t, t, t + " (1000)", t + " (2000)", t + " (3000)", "Done.",
                                   "Progress Bar"}));
}

void TestOutputCore::numbersKeptAsDigitsGiveTheSameBytes()
{
    QTemporaryDir dir;
    std::mt19937 random(20170405);  // a fixed stream: the same lists on every run
    for (int round = 0; round < 40; ++round) {
        // The first list is empty, under headers shorter than a number.
        const int columns = round == 0 ? 2 : 1 + int(random() % 2);
        ListSnapshot packed;
        ListSnapshot texts;
        ListModel model;
        for (ListSnapshot *s : {&packed, &texts}) {
            s->headers = columns == 1 ? QStringList{kResultHeader} : QStringList{"A", "B"};
        }
        for (int k = 1; k <= columns; ++k) {
            model.addColumn(packed.headers[k - 1], 1000);
        }
        model.setCheckable(true);
        if (columns == 2) {
            packed.subItems.resize(1);
            texts.subItems.resize(1);
        }
        const int count = round == 0 ? 0 : int(random() % 300);
        for (int i = 1; i <= count; ++i) {
            // Every fourth list holds numbers alone, which the outputs write without texts.
            const QString first = randomCell(random, round % 4 == 0);
            const bool checked = random() % 4 != 0;
            packed.append(first, checked, true);
            texts.append(first, checked, false);
            model.add(first);
            model.setChecked(i, checked);
            if (columns == 2) {
                const QString second = random() % 3 ? randomCell(random) : QString();
                packed.subItems[0].back() = second;
                texts.subItems[0].back() = second;
                model.setSubItem(i, 1, second);
            }
        }
        // The packed list keeps the numbers as digits, the other all as text.
        QCOMPARE(texts.texts.size(), std::size_t(count));
        const QString path = dir.filePath(QStringLiteral("t.txt"));
        const Outputs fromTexts = outputsOf(texts, path);
        for (const ListSnapshot &list : {packed, model.snapshot()}) {
            const Outputs o = outputsOf(list, path);
            QCOMPARE(o.file, fromTexts.file);
            QCOMPARE(o.clipboard, fromTexts.clipboard);
            QCOMPARE(o.lines, fromTexts.lines);
            QCOMPARE(o.cells, fromTexts.cells);
        }
    }
}

void TestOutputCore::tableThatCannotFitIsRefusedBeforeWriting()
{
    // One entry of 15 MB pads each of 200,000 lines to its length: some 3 TB, which no disk here
    // has free. The save is refused at once, and the old file stays.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("table.txt"));
    writeBytes(path, "old");
    ListSnapshot list;
    list.headers = QStringList{kResultHeader};
    list.append(QString(15 * 1024 * 1024, u'7'), true, false);
    for (int i = 0; i < 200'000; ++i) {
        list.append(QStringLiteral("717-555-%1").arg(i % 10000, 4, 10, QLatin1Char('0')), true);
    }
    try {
        SaveListAsTextFile(list, path);
        QFAIL("a table larger than the disk was written");
    } catch (const Failure &failure) {
        const QString text = QString::fromUtf8(failure.what());
        QVERIFY2(
            text.startsWith(
                QStringLiteral("Cannot write the file %1: ").arg(QDir::toNativeSeparators(path))) &&
                text.contains(QStringLiteral("it needs at least 3.15 TB")),
            qPrintable(text));
    }
    QCOMPARE(readBytes(path), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"table.txt"});
}

QTEST_MAIN(TestOutputCore)
#include "test_output_core.moc"
