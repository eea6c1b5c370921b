// The text forms of the result list, bytes compared exactly: the table file with its progress,
// and the clipboard text.
#include "mainwindow/core/list_model.h"
#include "mainwindow/core/list_snapshot.h"
#include "output/core/table_text.h"
#include "output/core/text_table_file.h"
#include "shell/core/progress.h"
#include "support/file_bytes.h"
#include "support/result_lists.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// A list with the given columns whose entries start checked, as the result list's do.
void setUp(ListModel &list, const QStringList &headers)
{
    list.setCheckable(true);
    for (const QString &h : headers) {
        list.addColumn(h, 1000);
    }
}

}  // namespace

class TestOutputCore : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void progressOf3000Items();
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
    QCOMPARE(tableText(takeListSnapshot(list)), file);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.txt"));
    ProgressRecorder r;
    SaveListAsTextFile(takeListSnapshot(list), path, &r);
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
    QCOMPARE(clipboardText(takeListSnapshot(list)), clipboard.isNull() ? QString() : clipboard);
}

void TestOutputCore::progressOf3000Items()
{
    ListModel list;
    setUp(list, {kResultHeader});
    addResultNumbers(list, 3000);
    QTemporaryDir dir;
    ProgressRecorder r;
    SaveListAsTextFile(takeListSnapshot(list), dir.filePath(QStringLiteral("r.txt")), &r);
    QCOMPARE(r.values.size(), 3 + 3000 + 2);
    for (int i = 1; i <= 3000; ++i) {
        QCOMPARE(r.values[2 + i], double(i + 1) / 3000.0 * 100.0);
    }
    const QString t = QStringLiteral("Writing file: r.txt");
    QCOMPARE(r.texts, QStringList({t, t, t, t + " (1000)", t + " (2000)", t + " (3000)", "Done.",
                                   "Progress Bar"}));
}

QTEST_MAIN(TestOutputCore)
#include "test_output_core.moc"
