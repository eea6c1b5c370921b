// The shell core: the program folder and the two file tests on real files in a temporary folder,
// the error report, its trap and the handler boundary, the pointer states and the title.
#include "shell/core/app_title.h"
#include "shell/core/error_trap.h"
#include "shell/core/file_helpers.h"
#include "shell/core/pointer_state.h"
#include "shell/core/yield.h"
#include "support/scripted_desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestShellCore : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { setProgramFolder(QString()); }
    void programFolderAndItsFiles();
    void fileExists();
    void fileListed();
    void errorReportText();
    void errorTrapAndTheHandlerBoundary();
    void pointerAfterMove_data();
    void pointerAfterMove();
    void shortenedTitle();

private:
    QString at(const QString &name) const { return dir_->path() + QLatin1Char('/') + name; }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestShellCore::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    for (const char *name : {"areacodes.mdb", ".hidden.mdb", "[a].txt"}) {
        QFile file(at(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("x")));
}

void TestShellCore::programFolderAndItsFiles()
{
    QCOMPARE(ProgramFolder(), QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    setProgramFolder(dir_->path() + QLatin1Char('/'));
    const QString folder = QDir::toNativeSeparators(dir_->path());
    QCOMPARE(ProgramFolder(), folder);
    QCOMPARE(programFile(QStringLiteral("x/o.cjs")),
             folder + QDir::separator() + "x" + QDir::separator() + "o.cjs");
    // At a root the separator doubles; such a path still names the file.
    setProgramFolder(QDir::rootPath());
    QCOMPARE(programFile(QStringLiteral("a")),
             QDir::toNativeSeparators(QDir::rootPath()) + QDir::separator() + QStringLiteral("a"));
    QVERIFY(FileListed(dir_->path() + QStringLiteral("//areacodes.mdb")));
    QVERIFY(FileExists(dir_->path() + QStringLiteral("//areacodes.mdb")));
}

void TestShellCore::fileExists()
{
    QVERIFY(!FileExists(QString()));
    QVERIFY(FileExists(QDir::toNativeSeparators(at(QStringLiteral("areacodes.mdb")))));
    QVERIFY(FileExists(at(QStringLiteral("x"))));
    QVERIFY(!FileExists(at(QStringLiteral("missing/areacodes.mdb"))));
#ifdef Q_OS_UNIX
    // Only the entry is asked about, so a file nobody may read is still there. (Windows has no
    // mode that keeps the user from reading a file.)
    QFile locked(at(QStringLiteral("areacodes.mdb")));
    QVERIFY(locked.setPermissions(QFileDevice::Permissions()));
    QVERIFY(FileExists(locked.fileName()));
    QVERIFY(FileListed(locked.fileName()));
    QVERIFY(QFile::link(at(QStringLiteral("gone")), at(QStringLiteral("dangling"))));
    QVERIFY(!FileExists(at(QStringLiteral("dangling"))));
#endif
}

void TestShellCore::fileListed()
{
    QVERIFY(FileListed(at(QStringLiteral("areacodes.mdb"))));
    QVERIFY(!FileListed(QString()));
    QVERIFY(!FileListed(at(QStringLiteral("missing/areacodes.mdb"))));
    QVERIFY(!FileListed(at(QStringLiteral("x"))));
    QVERIFY(FileExists(at(QStringLiteral(".hidden.mdb"))));
    QVERIFY(!FileListed(at(QStringLiteral(".hidden.mdb"))));
    // Patterns: only * and ? are wildcards, and hidden files and folders never match.
    QVERIFY(FileListed(at(QStringLiteral("area?odes.*"))));
    QVERIFY(!FileListed(at(QStringLiteral(".hid*"))));
    QVERIFY(!FileListed(at(QStringLiteral("x*"))));
    QVERIFY(!FileListed(at(QStringLiteral("missing/*"))));
    QVERIFY(FileListed(at(QStringLiteral("[a].*"))));
    QVERIFY(!FileListed(at(QStringLiteral("[ab].txt"))));
}

void TestShellCore::errorReportText()
{
    const QString expected = QStringLiteral(
        "Type mismatch\r\nin Dialforge2017/04/05.Form1.PushButton2_Click at line 106\r\r"
        "Please email screenshot of this message to support@quillane.example");
    QCOMPARE(::errorReportText(QStringLiteral("Type mismatch"), QStringLiteral("PushButton2_Click"),
                               106),
             expected);
}

void TestShellCore::errorTrapAndTheHandlerBoundary()
{
    // The child run below: a yield with no handler around it.
    if (qEnvironmentVariableIsSet("DIALROSTER_YIELD_OUTSIDE_A_HANDLER")) {
        setYieldEveryNthCall(1);
        yieldToEventLoop();
        return;
    }
    ScriptedDesktop desktop;
    ErrorTrap trap(desktop, QStringLiteral("PushButton4_Click"));
    QStringList ran;
    QVERIFY(trap.step(100, [&] { ran << "100"; }));
    QVERIFY(!trap.step(102, [&] { throw std::runtime_error("Disk full"); }));
    QVERIFY(trap.step(104, [&] { ran << "104"; }));
    QCOMPARE(ran, (QStringList{"100", "104"}));
    QCOMPARE(desktop.messages().size(), 1);
    const auto box = desktop.messages().first();
    QCOMPARE(box.title, QStringLiteral("Application Error"));
    QCOMPARE(box.icon, MessageIcon::Warning);
    QCOMPARE(box.buttons, MessageButtons::Ok);
    QVERIFY(box.text.startsWith(QStringLiteral(
        "Disk full\r\nin Dialforge2017/04/05.Form1.PushButton4_Click at line 102\r\r")));

    // The program's end is no failure of a step: it passes the trap on to the handler boundary.
    bool passed = false;
    try {
        trap.step(106, [] { throw LoopsEnded{}; });
    } catch (const LoopsEnded &) {
        passed = true;
    }
    QVERIFY(passed);
    QCOMPARE(desktop.messages().size(), 1);

    // Without a boundary the end would cross the event loop and take the program down before the
    // clipboard is handed over, so a yield outside a handler stops the program at once and says
    // why: the first test that drives one fails.
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DIALROSTER_YIELD_OUTSIDE_A_HANDLER"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QTEST_DISABLE_STACK_DUMP"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(QTest::currentTestFunction())});
    QVERIFY(child.waitForFinished(60000));
    const QByteArray said = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0, said.constData());
#ifdef Q_OS_WIN
    // Qt on Windows gives its messages to the debugger when the program has no console, as
    // under Wine with a pipe for its output: only the stop can be seen from here.
#else
    QVERIFY2(said.contains("A loop yielded outside a handler"), said.constData());
#endif
}

void TestShellCore::pointerAfterMove_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("after");
    QTest::newRow("default onto a button") << 0 << 99 << 99;
    QTest::newRow("arrow onto a button") << 1 << 99 << 99;
    QTest::newRow("hand onto the background") << 99 << 0 << 0;
    QTest::newRow("arrow onto the background") << 1 << 0 << 0;
    QTest::newRow("busy onto a button") << 11 << 99 << 11;
    QTest::newRow("busy onto a list") << 11 << 0 << 11;
}

void TestShellCore::pointerAfterMove()
{
    QFETCH(int, current);
    QFETCH(int, target);
    QFETCH(int, after);
    QCOMPARE(::pointerAfterMove(current, target), after);
}

void TestShellCore::shortenedTitle()
{
    QCOMPARE(::shortenedTitle(kProductName),
             QStringLiteral("Brindlemoor Dial Roster Maker Studio"));
    QCOMPARE(::shortenedTitle(QStringLiteral("Short Name")), QStringLiteral("Short"));
    QCOMPARE(::shortenedTitle(QStringLiteral("a b c d e f g h i j k l m n o p q r s t u v w x")),
             QStringLiteral("a b c d e f g h i j k l m n o p q r s t"));
}

QTEST_MAIN(TestShellCore)
#include "test_shell_core.moc"
