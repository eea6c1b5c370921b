// The prefix list file format: the read form, its encodings, and the paths of chosen files; and
// reading the area-code store.
#include "prefixes/core/area_code_store.h"
#include "prefixes/core/list_file_text.h"
#include "shell/core/failure.h"
#include "shell/core/file_io.h"

#include <QDir>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

class TestPrefixesCore : public QObject {
    Q_OBJECT
private slots:
    void readForm_data();
    void readForm();
    void encoding_data();
    void encoding();
    void namesAndJoinedPaths();
    void areaCodeStore();
};

void TestPrefixesCore::readForm_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("CR LF") << QByteArray("717\r\n603-43\r\n") << QStringList{"717", "603-43"};
    QTest::newRow("LF") << QByteArray("717\n603-43\n") << QStringList{"717", "603-43"};
    QTest::newRow("CR") << QByteArray("717\r603-43\r") << QStringList{"717", "603-43"};
    QTest::newRow("no final end") << QByteArray("717\r\n603-43") << QStringList{"717", "603-43"};
    QTest::newRow("blank line") << QByteArray("717\r\n\r\n603-43\r\n")
                                << QStringList{"717", "", "603-43"};
    QTest::newRow("blanks kept") << QByteArray("  717\r\n") << QStringList{"  717"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("only LF") << QByteArray("\n") << QStringList{""};
    QTest::newRow("only CR") << QByteArray("\r") << QStringList{""};
    QTest::newRow("CR before CR LF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("LF inside a CR LF line")
        << QByteArray("a\nb\r\nc\n\r\n") << QStringList{"a", "b", "c", ""};
}

void TestPrefixesCore::readForm()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QStringList read;
    forEachListEntry(decodeListFileText(bytes),
                     [&](QStringView entry) { read.append(entry.toString()); });
    QCOMPARE(read, entries);
}

void TestPrefixesCore::encoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("UTF-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac") << QStringLiteral("café €");
    QTest::newRow("UTF-8 mark dropped") << QByteArray(
                                               "\xef\xbb\xbf"
                                               "717")
                                        << QStringLiteral("717");
    QTest::newRow("1252 letters") << QByteArray("caf\xe9") << QStringLiteral("café");
    QTest::newRow("1252 upper half")
        << QByteArray("\x80\x93q\x94\x9f\xff") << QStringLiteral("€“q”Ÿÿ");
    QTest::newRow("1252 unassigned")
        << QByteArray("\x81\x8d\x8f\x90\x9d") << QStringLiteral("\u0081\u008d\u008f\u0090\u009d");
    QTest::newRow("UTF-8 cut short is 1252") << QByteArray("a\xc3") << QStringLiteral("aÃ");
    QTest::newRow("overlong is 1252") << QByteArray("\xc0\xaf") << QStringLiteral("À¯");
}

void TestPrefixesCore::encoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeListFileText(bytes), text);
}

void TestPrefixesCore::namesAndJoinedPaths()
{
    QCOMPARE(FileNameFromPath("C:\\Lists\\codes.txt"), QStringLiteral("codes.txt"));
    QCOMPARE(FileNameFromPath("C:\\Lists/a\\b.txt"), QStringLiteral("b.txt"));
    QCOMPARE(FileNameFromPath("codes.txt"), QStringLiteral("codes.txt"));
    QCOMPARE(FileNameFromPath("/home/u/lists/"), QString());
    const QString s = QDir::separator();
    QCOMPARE(joinChosenPath(s + "lists", "a.txt"), s + "lists" + s + "a.txt");
    QCOMPARE(joinChosenPath(s, "a.txt"), s + "a.txt");  // a drive's root
    if (s == QLatin1String("\\")) {
        QCOMPARE(joinChosenPath("\\\\server\\share", "a.txt"), QString("\\\\server\\share\\a.txt"));
    }
}

namespace {

// Every code of the store at path, read as the import reads it.
QStringList readAreaCodes(const QString &path)
{
    AreaCodeStore store(path);
    store.createConnection();
    store.createQuery();
    store.open();
    store.runQuery();
    QStringList codes;
    for (; !store.atEnd(); store.next()) {
        if (const std::optional<QString> code = store.code()) {
            codes.append(*code);
        }
    }
    return codes;
}

}  // namespace

void TestPrefixesCore::areaCodeStore()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kAreaCodeStoreName);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "maker");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec("create table tblAreaCodes (areacode, state text)"));
        QVERIFY(
            query.exec("insert into tblAreaCodes values ('717', 'PA'), (201, 'NJ'), (null, '')"));
    }
    QSqlDatabase::removeDatabase("maker");
    QCOMPARE(readAreaCodes(path), (QStringList{"201", "717"}));

    QFile damaged(path);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write(QByteArray("areacode,state\n717,Pennsylvania\n").repeated(100));
    damaged.close();
    try {
        readAreaCodes(path);
        QFAIL("a damaged store was read");
    } catch (const Failure &failure) {
        QCOMPARE(QString::fromUtf8(failure.what()),
                 QStringLiteral("Unable to execute statement: file is not a database"));
    }
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());  // given back however the reading ended
}

QTEST_MAIN(TestPrefixesCore)
#include "test_prefixes_core.moc"
