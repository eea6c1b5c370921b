// The prefix list and the count box across a restart, and what closing does.
#include "mainwindow/core/settings_place.h"
#include "mainwindow/form1.h"
#include "shell/core/app_title.h"
#include "support/file_bytes.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <windows.h>
// The access lists need the declarations above.
#include <sddl.h>
#include <string>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

// The program's own store, a file in the fixture's folder on every platform.
struct Store : QSettings {
    Store() : QSettings(settingsLocation(), QSettings::IniFormat)
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

#ifdef Q_OS_WIN
// Gives a registry key of HKEY_CURRENT_USER the access list written in `sddl`.
bool setKeySecurity(const std::wstring &key, const wchar_t *sddl)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS) {
        return false;
    }
    PSECURITY_DESCRIPTOR security = nullptr;
    bool done = ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1,
                                                                     &security, nullptr) &&
                RegSetKeySecurity(opened, DACL_SECURITY_INFORMATION, security) == ERROR_SUCCESS;
    LocalFree(security);
    RegCloseKey(opened);
    return done;
}
#endif

}  // namespace

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void prefixesComeBackInOrder();
    void restoreDropsEmptyPiecesAndSplitsAtSemicolons();
    void countBoxRoundTrip();
    void keystrokeLeavesTheStoredListAlone();
    void damagedStoreIsKeptAndWhatCanBeReadRestored_data();
    void damagedStoreIsKeptAndWhatCanBeReadRestored();
    void longListRoundTrip();
    void unwritableStoreAtClose();
    void specialFilesInTheSettingsFolderNeverHang();
    void readOnlyFolderAtClose();
    void closingDuringGenerationSavesThenEnds();
    void registryStore();
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

    // The store's file is the one Qt's own settings classes write for the same values, byte for
    // byte, and each reads what the other wrote: quotes, separators, escapes, blanks at either
    // end, text beyond ASCII, a long value.
    const QString product = QStringLiteral("Brindlemoor Dial Roster Maker Studio Suite");
    const QStringList counts = {QStringLiteral(" 7 "),        QStringLiteral("a,b"),
                                QStringLiteral("\"q\" ;x=y"), QStringLiteral("C:\\d\\"),
                                QStringLiteral("@at"),        QStringLiteral("@String(x)"),
                                QStringLiteral("\t9"),        QStringLiteral("Ünïcødé-日本 😀"),
                                QString(30000, u'ä') + u'x'};
    for (const QString &count : counts) {
        QString listed;
        for (const QString &prefix : f.prefixes()) {
            listed += prefix + u';';
        }
        f.form().Text1->setText(count);
        closeAndRestart(f);
        QCOMPARE(f.form().Text1->text(), count);
        QCOMPARE(stored(QStringLiteral("Number Of Phones")), count);
        QTemporaryDir dir;
        {
            QSettings qt(dir.filePath(QStringLiteral("qt.conf")), QSettings::IniFormat);
            qt.beginGroup(product);
            qt.setValue(QStringLiteral("Number Of Phones"), count);
            qt.setValue(QStringLiteral("Prefixes"), listed);
        }
#ifndef Q_OS_WIN
        // Where the program writes the file itself; on Windows a store in a file is Qt's own.
        QCOMPARE(readBytes(Store().fileName()), readBytes(dir.filePath(QStringLiteral("qt.conf"))));
#endif
        Store().setValue(QStringLiteral("Prefixes"), count);
        f.restart();
        QCOMPARE(f.prefixes(), count.split(u';', Qt::SkipEmptyParts));
    }

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
        // Should the program be killed now, without its close, the next start shows it anyway.
        f.restart();
        QCOMPARE(f.form().Text1->text(), text);
        // A close puts it into the store itself.
        closeAndRestart(f);
        QCOMPARE(stored(QStringLiteral("Number Of Phones")), text);
        QCOMPARE(f.form().Text1->text(), text);
    }
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestSettings::keystrokeLeavesTheStoredListAlone()
{
    // The store holds a long list; typing the count must not write it all again each time.
    FormFixture f;
    QStringList many;
    for (int i = 0; i < 20000; ++i) {
        many.append(QStringLiteral("212-%1").arg(i));
    }
    f.addPrefixes(many);
    closeAndRestart(f);
    QFile store(Store().fileName());
    QVERIFY(store.open(QIODevice::ReadOnly));
    const QByteArray before = store.readAll();
    const QDateTime changed = QFileInfo(store).lastModified();
    for (const char *typed : {"1", "12", "123"}) {
        f.form().Text1->setText(QString::fromLatin1(typed));
    }
    store.seek(0);
    QCOMPARE(store.readAll(), before);
    QCOMPARE(QFileInfo(store).lastModified(), changed);
    f.restart();  // killed
    QCOMPARE(f.form().Text1->text(), QStringLiteral("123"));
    QCOMPARE(f.prefixes(), many);
}

void TestSettings::damagedStoreIsKeptAndWhatCanBeReadRestored_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("prefixes");
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("damaged");

    const QByteArray section = "[Brindlemoor%20Dial%20Roster%20Maker%20Studio%20Suite]\n";
    const QByteArray sound =
        section + "Number%20Of%20Phones=500\nPrefixes=\"717;603-43;800-281-2;\"\n";
    QTest::newRow("sound") << sound << QStringList{"717", "603-43", "800-281-2"}
                           << QStringLiteral("500") << false;
    QTest::newRow("cut off in the list")
        << sound.left(sound.size() - 9) << QStringList{"717", "603-43", "800"}
        << QStringLiteral("500") << true;
    QTest::newRow("cut off in a key")
        << sound.left(section.size() + 10) << QStringList{} << QStringLiteral("200") << true;
    QByteArray random;
    quint32 state = 20170405;  // a fixed stream of bytes, NUL and high bytes among them
    for (int i = 0; i < 4096; ++i) {
        state = state * 1664525u + 1013904223u;
        random.append(char(state >> 24));
    }
    QTest::newRow("random bytes") << random << QStringList{} << QStringLiteral("200") << true;
    QTest::newRow("random bytes after sound ones")
        << sound + random << QStringList{"717", "603-43", "800-281-2"} << QStringLiteral("500")
        << true;
    QTest::newRow("a list where text belongs")
        << section + "Number%20Of%20Phones=500\nPrefixes=717, 603\n"
        << QStringList{} << QStringLiteral("500") << true;
    QTest::newRow("a number where text belongs")
        << section +
               "Number%20Of%20Phones=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\nPrefixes=\"717;\"\n"
        << QStringList{"717"} << QStringLiteral("200") << true;
    QByteArray million = section + "Prefixes=\"";
    for (int i = 0; i < 1000000; ++i) {
        million += "7;";
    }
    QTest::newRow("a million pieces")
        << million + "\"\n"
        << QStringList(1000000, "7") << QStringLiteral("200") << false;
    // Larger than a limit the program once set for its own file, beyond which it set the file
    // aside and restored nothing.
    QTest::newRow("beyond 64 MB") << million + QByteArray(64 * 1024 * 1024, '7') + "\"\n"
                                  << QStringList(1000000, "7") +
                                         QStringList{QString(64 * 1024 * 1024, '7')}
                                  << QStringLiteral("200") << false;
}

void TestSettings::damagedStoreIsKeptAndWhatCanBeReadRestored()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, prefixes);
    QFETCH(QString, count);
    QFETCH(bool, damaged);
    FormFixture f(false);
    const QString file = Store().fileName();
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    QCOMPARE(out.write(bytes), bytes.size());
    out.close();

    f.restart();
    QCOMPARE(f.prefixes(), prefixes);
    QCOMPARE(f.form().Text1->text(), count);
    const QString aside = file + QStringLiteral(".damaged");
    if (!damaged) {
        QVERIFY(f.desktop.messages().isEmpty());
        QVERIFY(!QFile::exists(aside));
        return;
    }
    // One box says where the damaged file went, and claims a restore only when something came
    // back; the copy is the file as it was.
    const QString restored = prefixes.isEmpty() && count == QStringLiteral("200")
                                 ? QStringLiteral(
                                       "Nothing could be read from it, so the prefix "
                                       "list and the count start afresh")
                                 : QStringLiteral("What could be read from it has been restored");
    QCOMPARE(f.desktop.messageTexts(),
             QStringList{QStringLiteral("The settings file %1 was damaged. %2; the damaged file "
                                        "was kept as %3.")
                             .arg(QDir::toNativeSeparators(file), restored,
                                  QDir::toNativeSeparators(aside))});
    QCOMPARE(f.desktop.messages().first().icon, MessageIcon::Warning);
    QFile copy(aside);
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QVERIFY(copy.readAll() == bytes);
    // The store is sound again: the next start restores the same, and says nothing.
    f.desktop.calls.clear();
    closeAndRestart(f);
    QCOMPARE(f.prefixes(), prefixes);
    QCOMPARE(f.form().Text1->text(), count);
    QVERIFY(f.desktop.messages().isEmpty());
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

void TestSettings::specialFilesInTheSettingsFolderNeverHang()
{
#ifndef Q_OS_LINUX
    QSKIP("named pipes are made here on Linux only");
#else
    // A named pipe where the settings file belongs: the start reads no settings from it, says
    // so as of a damaged file, and puts it aside.
    FormFixture f(false);
    const QString file = Store().fileName();
    QVERIFY(QDir().mkpath(QFileInfo(file).path()));
    QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    f.restart();
    QCOMPARE(f.desktop.messageTexts(),
             QStringList{QStringLiteral("The settings file %1 was damaged. Nothing could be read "
                                        "from it, so the prefix list and the count start afresh; "
                                        "the damaged file was kept as %1.damaged.")
                             .arg(file)});
    QCOMPARE(f.form().Text1->text(), QStringLiteral("200"));
    QVERIFY(QFileInfo(file + QStringLiteral(".damaged")).exists());

    // A folder where the store's lock belongs: the close says the list was not saved, and ends.
    QVERIFY(QDir().mkpath(file + QStringLiteral(".lock")));
    f.desktop.calls.clear();
    checkCloseReports(f, QStringLiteral("its lock %1.lock could not be taken").arg(file));

    // A lock that another program holds while it writes the store: the close waits a while for
    // it, then says so, and ends; the store is as that program leaves it.
    FormFixture other;
    const QString lock = Store().fileName() + QStringLiteral(".lock");
    QVERIFY(QDir().mkpath(QFileInfo(lock).path()));
    const int held =
        ::open(QFile::encodeName(lock).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    QVERIFY(held >= 0);
    const auto release = qScopeGuard([&] { ::close(held); });
    QCOMPARE(::flock(held, LOCK_EX), 0);
    checkCloseReports(other, QStringLiteral("its lock %1 could not be taken").arg(lock));
    QVERIFY(!QFile::exists(Store().fileName()));
#endif
}

void TestSettings::readOnlyFolderAtClose()
{
    FormFixture f;
    const QString file = Store().fileName();
    Store().setValue(QStringLiteral("Prefixes"), QString());  // the file exists
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
    // The run ended at the close: not one more number, not one more box.
    QCOMPARE(f.form().ListView2.count(), resultsAtEnd);
    QCOMPARE(f.desktop.calls.last().kind, QStringLiteral("end"));

    // So does a copy: the clipboard is never touched.
    f.restart();
    for (int i = 0; i < 20000; ++i) {
        f.form().ListView2.add(
            QStringLiteral("717-555-%1").arg(i % 10000, 4, 10, QLatin1Char('0')));
    }
    f.desktop.calls.clear();
    afterTurns(&f.form(), 100, [&] { f.form().close(); });
    f.click(f.form().PushButton8);
    QCOMPARE(f.desktop.calls.last().kind, QStringLiteral("end"));
    QVERIFY(!f.desktop.clipboard);
}

void TestSettings::registryStore()
{
#ifndef Q_OS_WIN
    QSKIP("the registry is the store on Windows only");
#else
    // HKEY_CURRENT_USER is a scratch key of the test's own for the whole process, so the user's
    // own settings are never touched.
    const std::wstring scratchPath =
        L"Software\\dialroster tests\\" + std::to_wstring(GetCurrentProcessId());
    HKEY scratch = nullptr;
    QCOMPARE(RegCreateKeyExW(HKEY_CURRENT_USER, scratchPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &scratch, nullptr),
             LONG(ERROR_SUCCESS));
    QCOMPARE(RegOverridePredefKey(HKEY_CURRENT_USER, scratch), LONG(ERROR_SUCCESS));
    const std::wstring section =
        L"Software\\VB and VBA Program Settings\\Quillane\\" + kProductName.toStdWString();
    const auto removeScratch = qScopeGuard([&] {
        setKeySecurity(section, L"D:(A;;KA;;;WD)");
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(scratch);
        RegDeleteTreeW(HKEY_CURRENT_USER, scratchPath.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\dialroster tests");
    });
    // A value as the registry holds it: a string, or nothing.
    const auto value = [&](const wchar_t *name) {
        DWORD bytes = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, section.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr,
                         &bytes) != ERROR_SUCCESS) {
            return QStringLiteral("<absent>");
        }
        std::wstring text(bytes / sizeof(wchar_t), L'\0');
        if (RegGetValueW(HKEY_CURRENT_USER, section.c_str(), name, RRF_RT_REG_SZ, nullptr,
                         text.data(), &bytes) != ERROR_SUCCESS) {
            return QStringLiteral("<unreadable>");
        }
        return QString::fromWCharArray(text.c_str());
    };

    // A user whose list is there already finds it at the first start.
    HKEY stored = nullptr;
    QCOMPARE(RegCreateKeyExW(HKEY_CURRENT_USER, section.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &stored, nullptr),
             LONG(ERROR_SUCCESS));
    const std::wstring before = L"717;603-43;";
    QCOMPARE(RegSetValueExW(stored, L"Prefixes", 0, REG_SZ,
                            reinterpret_cast<const BYTE *>(before.c_str()),
                            DWORD((before.size() + 1) * sizeof(wchar_t))),
             LONG(ERROR_SUCCESS));
    FormFixture f(false);
    QSettings::setDefaultFormat(QSettings::NativeFormat);
    const auto fileStore = qScopeGuard([] { QSettings::setDefaultFormat(QSettings::IniFormat); });
    f.restart();
    QCOMPARE(f.prefixes(), (QStringList{"717", "603-43"}));

    // The count at every keystroke.
    f.form().Text1->selectAll();
    QString typed;
    for (const char c : QByteArray("1500")) {
        QTest::keyClick(f.form().Text1, c);
        typed += QLatin1Char(c);
        QCOMPARE(value(L"Number Of Phones"), typed);
    }
    QCOMPARE(value(L"Prefixes"), QStringLiteral("717;603-43;"));

    // The list at the close, however long.
    QStringList many;
    for (int i = 0; i < 200000; ++i) {
        many.append(QStringLiteral("212-%1").arg(i));
    }
    f.addPrefixes(many);
    f.form().close();
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(value(L"Prefixes").size(), (QStringList{"717", "603-43"} + many).join(';').size() + 1);
    f.restart();
    QCOMPARE(f.prefixes(), QStringList({"717", "603-43"}) + many);
    QCOMPARE(f.form().Text1->text(), QStringLiteral("1500"));

    // A store that cannot be written says so at the close and keeps what it held.
    RegCloseKey(stored);
    QVERIFY(setKeySecurity(section, L"D:P(A;;KR;;;WD)"));
    f.form().ListView1.clear();
    f.addPrefixes({"800"});
    f.form().close();
    QCOMPARE(f.desktop.messages().size(), 1);
    QVERIFY2(f.desktop.messages().first().text.startsWith(
                 QStringLiteral("The prefix list could not be saved for the next start.")),
             qPrintable(f.desktop.messages().first().text));
    f.restart();
    QCOMPARE(f.prefixes(), QStringList({"717", "603-43"}) + many);
#endif
}

QTEST_MAIN(TestSettings)
#include "test_settings.moc"
