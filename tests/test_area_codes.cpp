// "Load Default Area Code Prefixes" through the real button, against SQLite stores made in the
// window's own program folder.
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

// A new SQLite database at path made by the statements; the connection is gone afterwards.
bool makeStore(const QString &path, const QStringList &statements)
{
    bool ok = true;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery query(db);
        for (const QString &statement : statements) {
            ok = ok && query.exec(statement);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("maker"));
    return ok;
}

QString storePath(const FormFixture &f)
{
    return f.programFolder() + QStringLiteral("/areacodes.mdb");
}

// Runs the import once after an entry typed by hand.
void import(FormFixture &f)
{
    f.addPrefixes({"800-281-2"});
    f.click(f.form().PushButton4);
    QVERIFY(QSqlDatabase::connectionNames().isEmpty());
}

}  // namespace

class TestAreaCodes : public QObject {
    Q_OBJECT
private slots:
    void shippedStoreTwice();
    void rowsComeInOrderAsText_data();
    void rowsComeInOrderAsText();
    void missingStore_data();
    void missingStore();
    void unreadableStoreIsReportedOnce_data();
    void unreadableStoreIsReportedOnce();
    void failureWhileReadingKeepsWhatWasRead();
};

void TestAreaCodes::shippedStoreTwice()
{
    FormFixture f;
    QVERIFY(QFile::copy(QStringLiteral(DIALROSTER_AREA_CODE_STORE), storePath(f)));
    import(f);
    f.click(f.form().PushButton4);
    const QStringList entries = f.prefixes();
    QCOMPARE(entries.size(), 1 + 2 * 359);
    QCOMPARE(entries.first(), QStringLiteral("800-281-2"));
    const QStringList codes = entries.mid(1, 359);
    QCOMPARE(entries.mid(360), codes);
    QCOMPARE(codes.first(), QStringLiteral("201"));
    QCOMPARE(codes.last(), QStringLiteral("989"));
    for (int i = 1; i < codes.size(); ++i) {
        QVERIFY2(codes[i - 1] < codes[i] && codes[i].size() == 3, qPrintable(codes[i]));
    }
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestAreaCodes::rowsComeInOrderAsText_data()
{
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QStringList>("added");
    const QString table = QStringLiteral("create table tblAreaCodes (areacode text, state text)");
    QTest::newRow("out of order") << QStringList{table,
                                                 "insert into tblAreaCodes values ('717', 'PA'), "
                                                 "('201', 'NJ'), ('603', 'NH')"}
                                  << QStringList{"201", "603", "717"};
    QTest::newRow("empty table") << QStringList{table} << QStringList();
    // A store made elsewhere may hold the codes as whole or real numbers, or hold no code in a
    // row; the untyped column keeps each value as it was stored.
    QTest::newRow("numbers and a null")
        << QStringList{"create table tblAreaCodes (state text, areacode)",
                       "insert into tblAreaCodes values ('PA', '717'), ('NH', 603), "
                       "('NJ', 201.0), ('none', null)"}
        << QStringList{"201", "603", "717"};
}

void TestAreaCodes::rowsComeInOrderAsText()
{
    QFETCH(QStringList, statements);
    QFETCH(QStringList, added);
    FormFixture f;
    QVERIFY(makeStore(storePath(f), statements));
    import(f);
    QCOMPARE(f.prefixes(), QStringList{"800-281-2"} + added);
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestAreaCodes::missingStore_data()
{
    QTest::addColumn<bool>("folderInItsPlace");
    QTest::newRow("no store") << false;
    QTest::newRow("a folder in its place") << true;
}

void TestAreaCodes::missingStore()
{
    QFETCH(bool, folderInItsPlace);
    FormFixture f;
    QVERIFY(!folderInItsPlace || QDir(f.programFolder()).mkdir(QStringLiteral("areacodes.mdb")));
    import(f);
    QCOMPARE(f.prefixes(), QStringList{"800-281-2"});
    QCOMPARE(f.desktop.messages().size(), 1);
    const auto box = f.desktop.messages().first();
    QCOMPARE(box.text, QDir::toNativeSeparators(f.programFolder()) + QDir::separator() +
                           QStringLiteral("areacodes.mdb not found."));
    QCOMPARE(box.title, QStringLiteral("Brindlemoor Dial Roster Maker Studio"));
    QCOMPARE(box.icon, MessageIcon::Warning);
    QCOMPARE(box.buttons, MessageButtons::Ok);
}

void TestAreaCodes::unreadableStoreIsReportedOnce_data()
{
    QTest::addColumn<QStringList>("statements");  // none: a text file in the store's place
    QTest::addColumn<QString>("description");
    QTest::newRow("not a database")
        << QStringList() << QStringLiteral("Unable to execute statement: file is not a database");
    QTest::newRow("no table") << QStringList{"create table AreaCodes (areacode text)",
                                             "insert into AreaCodes values ('717')"}
                              << QStringLiteral(
                                     "Unable to execute statement: no such table: tblAreaCodes");
    QTest::newRow("no field") << QStringList{"create table tblAreaCodes (code text)",
                                             "insert into tblAreaCodes values ('717'), ('201')"}
                              << QStringLiteral(
                                     "Unable to execute statement: no such column: areacode");
}

void TestAreaCodes::unreadableStoreIsReportedOnce()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, description);
    FormFixture f;
    if (statements.isEmpty()) {
        QFile file(storePath(f));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("areacode,state\n717,Pennsylvania\n").repeated(100));
    } else {
        QVERIFY(makeStore(storePath(f), statements));
    }
    import(f);
    QCOMPARE(f.prefixes(), QStringList{"800-281-2"});
    QCOMPARE(f.desktop.messages().size(), 1);
    const auto box = f.desktop.messages().first();
    QCOMPARE(box.title, QStringLiteral("Application Error"));
    // The description is one sentence: what the driver did, then what the database said.
    QVERIFY2(box.text.startsWith(description + QStringLiteral("\r\n")) &&
                 box.text.contains(QStringLiteral(".Form1.PushButton4_Click at line 110\r\r")),
             qPrintable(box.text));
}

void TestAreaCodes::failureWhileReadingKeepsWhatWasRead()
{
    // Small pages, one row to a page, read through the key's index: spoiling the page of the last
    // row leaves the rows before it readable.
    FormFixture f;
    QStringList statements{"pragma page_size=512",
                           "create table tblAreaCodes (areacode text primary key, state text)"};
    for (const char *code : {"201", "202", "203", "204", "205"}) {
        statements << QStringLiteral("insert into tblAreaCodes values ('%1', '%2 %3')")
                          .arg(QLatin1String(code), QLatin1String(code), QString(300, 'x'));
    }
    QVERIFY(makeStore(storePath(f), statements));
    QFile file(storePath(f));
    QVERIFY(file.open(QIODevice::ReadWrite));
    const qint64 page = file.readAll().indexOf("205 xxx") / 512;
    QVERIFY(page > 0);
    QVERIFY(file.seek(page * 512));
    file.write(QByteArray(512, '\xff'));
    file.close();

    import(f);
    QCOMPARE(f.prefixes(), (QStringList{"800-281-2", "201", "202", "203", "204"}));
    QCOMPARE(f.desktop.messages().size(), 1);
    const QString text = f.desktop.messages().first().text;
    QVERIFY2(text.contains(QStringLiteral(".Form1.PushButton4_Click at line 116\r\r")),
             qPrintable(text));
}

QTEST_MAIN(TestAreaCodes)
#include "test_area_codes.moc"
