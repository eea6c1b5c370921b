// The prefix list and the count box across a restart, and what closing does.
#include "app/bind_handlers.h"
#include "shell/app_title.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QtTest>

namespace {

struct Store : QSettings {
    Store() : QSettings(QStringLiteral("Quillane"), QStringLiteral("Quillane"))
    {
        beginGroup(QStringLiteral("Brindlemoor Dial Roster Maker Studio Suite"));
    }
};

QString stored(const QString &key)
{
    return Store().value(key, QStringLiteral("<absent>")).toString();
}

// Closes the window as the user would and starts the program again on the same store. QSettings
// keeps what this process wrote in memory and reads the file again only when it has changed on
// disk, so the file is marked changed: the next start reads what was really written.
void closeAndRestart(FormFixture &f)
{
    const int endings = f.desktop.endings;
    f.form().close();
    QCOMPARE(f.desktop.endings, endings + 1);
    QFile file(Store().fileName());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                             QFileDevice::FileModificationTime));
    file.close();
    f.restart();
}

// Closing with a store that cannot be written: one message with the reason, and the end.
void checkCloseReports(FormFixture &f, const QString &reason)
{
    f.addPrefixes({"717"});
    f.form().Text1->setText(QStringLiteral("400"));  // silent
    QVERIFY(f.desktop.messages().isEmpty());
    f.form().close();
    QCOMPARE(f.desktop.messages().size(), 1);
    const auto box = f.desktop.messages().first();
    QCOMPARE(box.text, QStringLiteral("The prefix list could not be saved for the next start.\n\n"
                                      "The settings file %1 cannot be written: %2.")
                           .arg(QDir::toNativeSeparators(Store().fileName()), reason));
    QCOMPARE(box.icon, MessageIcon::Warning);
    QCOMPARE(box.title, applicationTitle());
    QCOMPARE(f.desktop.endings, 1);
    QCOMPARE(f.desktop.calls.last().kind, QStringLiteral("end"));
}

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void prefixesComeBackInOrder();
    void restoreDropsEmptyPiecesAndSplitsAtSemicolons();
    void countBoxRoundTrip();
    void longListRoundTrip();
    void unwritableStoreAtClose();
    void readOnlyFolderAtClose();
    void closingDuringGenerationSavesThenEnds();
};

void TestSettings::prefixesComeBackInOrder()
{
    FormFixture f;
    f.addPrefixes({"717", "603-43", "800-281-2"});
    f.form().close();
    QCOMPARE(stored(QStringLiteral("Prefixes")), QStringLiteral("717;603-43;800-281-2;"));

    f.restart();
    const QStringList odd = {"717",   "a,b",   "x=y",          "100%", "C:\\dir\\",
                             "\"q\"", "'s'",   "  7 ",         " ",    "@at",
                             "#hash", "[sec]", "Ünïcødé-日本", "717",  "a\tb\\n\\x20"};
    f.form().ListView1.clear();
    f.addPrefixes(odd);
    closeAndRestart(f);
    QCOMPARE(f.prefixes(), odd);

    // An empty list clears the one saved before.
    f.click(f.form().PushButton6);
    closeAndRestart(f);
    QVERIFY(f.prefixes().isEmpty());
    QCOMPARE(stored(QStringLiteral("Prefixes")), QString());
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestSettings::restoreDropsEmptyPiecesAndSplitsAtSemicolons()
{
    FormFixture f;
    Store().setValue(QStringLiteral("Prefixes"), QStringLiteral(";717;;603-43; ;800"));
    f.restart();
    QCOMPARE(f.prefixes(), (QStringList{"717", "603-43", " ", "800"}));

    f.form().ListView1.clear();
    f.addPrefixes({"717;603", ""});
    closeAndRestart(f);
    QCOMPARE(f.prefixes(), (QStringList{"717", "603"}));
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestSettings::countBoxRoundTrip()
{
    FormFixture f;
    QCOMPARE(f.form().Text1->text(), QStringLiteral("200"));
    QCOMPARE(stored(QStringLiteral("Number Of Phones")), QStringLiteral("<absent>"));
    for (const QString &text : {QStringLiteral("500"), QStringLiteral("abc, 7"), QString()}) {
        f.form().Text1->setText(text);
        QCOMPARE(stored(QStringLiteral("Number Of Phones")), text);  // written at once
        closeAndRestart(f);
        QCOMPARE(f.form().Text1->text(), text);
    }
}

void TestSettings::longListRoundTrip()
{
    // Far beyond what a 16-bit counter reaches.
    FormFixture f;
    QStringList many;
    for (int i = 0; i < 100'000; ++i) {
        many.append(QStringLiteral("%1-%2").arg(200 + i % 800).arg(i));
    }
    f.addPrefixes(many);
    closeAndRestart(f);
    QCOMPARE(f.prefixes(), many);
}

void TestSettings::unwritableStoreAtClose()
{
    // A folder where the settings file belongs stops any user, root included.
    FormFixture f;
    QVERIFY(QDir().mkpath(Store().fileName()));
    checkCloseReports(f, QStringLiteral("Is a directory"));
}

void TestSettings::readOnlyFolderAtClose()
{
    FormFixture f;
    const QString file = Store().fileName();
    f.form().Text1->setText(QStringLiteral("300"));  // the file exists
    const QString folder = QFileInfo(file).absolutePath();
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
    const auto writable = qScopeGuard([&] {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    if (QFile(file).open(QIODevice::WriteOnly | QIODevice::Append)) {
        QSKIP("permissions do not stop this user (root); unwritableStoreAtClose covers it");
    }
    checkCloseReports(f, QStringLiteral("Permission denied"));
}

void TestSettings::closingDuringGenerationSavesThenEnds()
{
    FormFixture f;
    f.addPrefixes({"717"});
    f.form().Text1->setText(QStringLiteral("300000"));
    int resultsAtEnd = -1;
    QString storedAtEnd;
    f.desktop.onEnd = [&] {
        resultsAtEnd = f.form().ListView2.count();
        storedAtEnd = stored(QStringLiteral("Prefixes"));
    };
    afterTurns(&f.form(), 100, [&] { f.form().close(); });
    f.click(f.form().PushButton2);
    QCOMPARE(f.desktop.endings, 1);
    QVERIFY2(resultsAtEnd > 0 && resultsAtEnd < 300000, qPrintable(QString::number(resultsAtEnd)));
    QCOMPARE(storedAtEnd, QStringLiteral("717;"));
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
