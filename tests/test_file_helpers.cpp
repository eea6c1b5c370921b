// The program folder and the two file tests, on real files in a temporary folder.
#include "shell/core/file_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestFileHelpers : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup() { SetProgramFolder(QString()); }
    void programFolderAndItsFiles();
    void fileExists();
    void fileListed();

private:
    QString at(const QString &name) const { return dir_->path() + QLatin1Char('/') + name; }

    std::unique_ptr<QTemporaryDir> dir_;
};

void TestFileHelpers::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    for (const char *name : {"areacodes.mdb", ".hidden.mdb", "[a].txt"}) {
        QFile file(at(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("x")));
}

void TestFileHelpers::programFolderAndItsFiles()
{
    QCOMPARE(ProgramFolder(), QDir::toNativeSeparators(QCoreApplication::applicationDirPath()));
    SetProgramFolder(dir_->path() + QLatin1Char('/'));
    const QString folder = QDir::toNativeSeparators(dir_->path());
    QCOMPARE(ProgramFolder(), folder);
    QCOMPARE(ProgramFile(QStringLiteral("x/o.cjs")),
             folder + QDir::separator() + "x" + QDir::separator() + "o.cjs");
    // At a root the separator doubles; such a path still names the file.
    SetProgramFolder(QDir::rootPath());
    QCOMPARE(ProgramFile(QStringLiteral("a")),
             QDir::toNativeSeparators(QDir::rootPath()) + QDir::separator() + QStringLiteral("a"));
    QVERIFY(FileListed(dir_->path() + QStringLiteral("//areacodes.mdb")));
    QVERIFY(FileExists(dir_->path() + QStringLiteral("//areacodes.mdb")));
}

void TestFileHelpers::fileExists()
{
    QVERIFY(!FileExists(QString()));
    QVERIFY(FileExists(QDir::toNativeSeparators(at(QStringLiteral("areacodes.mdb")))));
    QVERIFY(FileExists(at(QStringLiteral("x"))));
    QVERIFY(!FileExists(at(QStringLiteral("missing/areacodes.mdb"))));
    // Only the entry is asked about, so a file nobody may read is still there.
    QFile locked(at(QStringLiteral("areacodes.mdb")));
    QVERIFY(locked.setPermissions(QFileDevice::Permissions()));
    QVERIFY(FileExists(locked.fileName()));
    QVERIFY(FileListed(locked.fileName()));
#ifdef Q_OS_UNIX
    QVERIFY(QFile::link(at(QStringLiteral("gone")), at(QStringLiteral("dangling"))));
    QVERIFY(!FileExists(at(QStringLiteral("dangling"))));
#endif
}

void TestFileHelpers::fileListed()
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

QTEST_MAIN(TestFileHelpers)
#include "test_file_helpers.moc"
