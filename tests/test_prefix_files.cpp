// Prefix list files through the real window: loading, the sample, and saving the results as
// plain lines. The read form and its encodings are in the prefixes core's tests.
#include "prefixes/core/list_file_text.h"
#include "prefixes/prefix_files.h"
#include "shell/core/app_title.h"
#include "shell/core/file_io.h"
#include "shell/core/yield.h"
#include "support/file_bytes.h"
#include "support/form_fixture.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

// Whether a folder without write permission stops this user making files in it: root writes
// anywhere, and on Windows the read-only flag of a folder stops nothing.
bool readOnlyFoldersStopWrites()
{
#ifdef Q_OS_WIN
    return false;
#else
    return geteuid() != 0;
#endif
}

void fillResults(Form1 &form, const QStringList &texts)
{
    for (const QString &t : texts) {
        form.ListView2.add(t);
    }
}

const QString kLoadTitle = QStringLiteral("Load List(s) - Hold Ctrl to select multiple list files");
const QString kFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|");

}  // namespace

class TestPrefixFiles : public QObject {
    Q_OBJECT
private slots:
    void loadAppendsAfterTheList();
    void severalFilesFromOneFolder();
    void namesThatNameNoFile();
    void fileAtTheLimitLoadsAndBeyondIsRefused();
    void sampleAndHint();

    void saveWritesResultsAndAsksBeforeReplacing();
    void failedSaveReportsOnceAndKeepsOldFile();
    void saveWritesListAsItStoodWhenStarted();
    void savedFileLoadsBack();
};

void TestPrefixFiles::loadAppendsAfterTheList()
{
    FormFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("codes.txt");
    writeBytes(path, "717\r\n603-43\r\n");
    f.addPrefixes({"800-281-2"});
    // Cancelled first: nothing changes, not even the pointer.
    f.form().setMousePointer(kPointerArrow);
    f.click(f.form().PushButton10);
    QCOMPARE(f.prefixes(), QStringList{"800-281-2"});
    QCOMPARE(f.form().MousePointer(), int(kPointerArrow));

    f.form().CommonDialog1.fileName = QStringLiteral("last.txt");
    f.desktop.fileChoices.push_back(path);
    f.click(f.form().PushButton10);
    QCOMPARE(f.prefixes(), (QStringList{"800-281-2", "717", "603-43"}));
    const FileDialogState shown = f.desktop.dialogsShown.last();
    QCOMPARE(shown.fileName, QString());
    QCOMPARE(shown.title, kLoadTitle);
    QCOMPARE(shown.flags, 2621953);
    QCOMPARE(shown.filter, kFilter);
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestPrefixFiles::severalFilesFromOneFolder()
{
    QTemporaryDir dir;
    writeBytes(dir.filePath("a.txt"), "717\r\n");
    writeBytes(dir.filePath("empty.txt"), "");
    writeBytes(dir.filePath("b.txt"), "caf\xe9\n");  // an old Windows file
    // A folder passes the existence test but is no list file; it is told apart at once.
    QVERIFY(QDir(dir.path()).mkdir("folder.txt"));
    const QChar nul(0);
    // The folder as the dialog gives it, and ending in a separator as a drive's root does.
    const QString folder = QDir::toNativeSeparators(dir.path());
    for (const QString &chosen : {folder, folder + QDir::separator()}) {
        FormFixture f;
        QList<int> pointers;
        f.desktop.onMessage = [&](const auto &) { pointers << f.form().MousePointer(); };
        f.desktop.fileChoices.push_back(chosen + nul + "a.txt" + nul + "gone.txt" + nul +
                                        "folder.txt" + nul + "empty.txt" + nul + "b.txt");
        f.click(f.form().PushButton10);

        QCOMPARE(f.prefixes(), (QStringList{"717", "café"}));
        const auto shown = f.desktop.messages();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("File not found"));
        QCOMPARE(shown[0].title, applicationTitle());
        QCOMPARE(shown[1].title, applicationTitle());
        QCOMPARE(shown[1].text, QDir(dir.path()).filePath("folder.txt") +
                                    " is a folder, not a list file, and was not loaded.");
        QCOMPARE(pointers, (QList<int>{kPointerBusy, kPointerBusy}));
        QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
    }
}

void TestPrefixFiles::namesThatNameNoFile()
{
    // The open dialog hands back typed names that name no file; each is told in its turn.
    QTemporaryDir dir;
    writeBytes(dir.filePath("a.txt"), "717\r\n");
    writeBytes(dir.filePath("b.txt"), "603-43\r\n");
    const QChar nul(0);
    struct Case {
        QString chosen;
        QStringList listedAtTheBox, listedAfter;
    };
    const QList<Case> cases = {
        {QDir::toNativeSeparators(dir.filePath("nosuch.txt")), {"800-281-2"}, {"800-281-2"}},
        {QDir::toNativeSeparators(dir.path()) + nul + "a.txt" + nul + "nosuch.txt" + nul + "b.txt",
         {"800-281-2", "717"},
         {"800-281-2", "717", "603-43"}},
    };
    for (const Case &c : cases) {
        FormFixture f;
        f.addPrefixes({"800-281-2"});
        QStringList listedAtTheBox;
        f.desktop.onMessage = [&](const auto &) { listedAtTheBox = f.prefixes(); };
        f.desktop.fileChoices.push_back(c.chosen);
        f.click(f.form().PushButton10);

        QCOMPARE(f.prefixes(), c.listedAfter);
        QCOMPARE(listedAtTheBox, c.listedAtTheBox);
        const auto shown = f.desktop.messages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("File not found"));
        QCOMPARE(shown[0].title, applicationTitle());
        QCOMPARE(shown[0].buttons, MessageButtons::Ok);
        QCOMPARE(shown[0].icon, MessageIcon::None);
        QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
    }
}

void TestPrefixFiles::fileAtTheLimitLoadsAndBeyondIsRefused()
{
    FormFixture f;
    QTemporaryDir dir;
    const QString beyond = dir.filePath("huge.bin");
    {
        QFile a(dir.filePath("big.txt"));
        QVERIFY(a.open(QIODevice::WriteOnly) && a.resize(kMaxListFileBytes));
        QFile b(beyond);
        QVERIFY(b.open(QIODevice::WriteOnly) && b.resize(kMaxListFileBytes + 1));
    }
    f.desktop.fileChoices.push_back(dir.path() + QChar(0) + "huge.bin" + QChar(0) + "big.txt");
    f.click(f.form().PushButton10);

    QCOMPARE(f.form().ListView1.count(), 1);
    QCOMPARE(f.form().ListView1.text(1).size(), kMaxListFileBytes);
    QCOMPARE(f.desktop.messages().size(), 1);
    QVERIFY(f.desktop.messages().first().text.startsWith(beyond + " is larger than 16 MB"));
}

void TestPrefixFiles::sampleAndHint()
{
    FormFixture f;
    f.click(f.form().PushButton11);
    f.click(f.form().PushButton11);
    QCOMPARE(f.prefixes(),
             (QStringList{"603-43", "800-281-2", "717", "603-43", "800-281-2", "717"}));
    f.click(f.form().PushButton12);
    QCOMPARE(f.desktop.messageTexts(),
             QStringList{"You must load text files into the list. You can not load Word files for "
                         "example."});
}

void TestPrefixFiles::saveWritesResultsAndAsksBeforeReplacing()
{
    FormFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("results.txt");
    // No results: an empty file, whatever the prefix list holds.
    f.addPrefixes({"717"});
    f.form().CommonDialog1.fileName = QStringLiteral("proposed.txt");
    f.desktop.fileChoices.push_back(path);
    f.click(f.form().PushButton5);
    QCOMPARE(readBytes(path), QByteArray());
    const FileDialogState shown = f.desktop.dialogsShown.first();
    QCOMPARE(shown.fileName, QStringLiteral("proposed.txt"));
    QCOMPARE(shown.title, QStringLiteral("Save"));
    QCOMPARE(shown.flags, 2621953);
    QCOMPARE(shown.filter, kFilter);
    QVERIFY(f.desktop.messages().isEmpty());  // a new name is not asked about
    QCOMPARE(f.form().MousePointer(), int(kPointerArrow));

    fillResults(f.form(), {"717-555-0100", "café", ""});
    f.form().setMousePointer(kPointerDefault);
    f.desktop.fileChoices = {path, path};
    f.desktop.answers = {MessageAnswer::No, MessageAnswer::Yes};
    f.click(f.form().PushButton5);
    QCOMPARE(readBytes(path), QByteArray());
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
    f.click(f.form().PushButton5);
    QCOMPARE(readBytes(path), QByteArray("717-555-0100\r\ncaf\xc3\xa9\r\n\r\n"));
    QCOMPARE(f.desktop.dialogsShown.last().fileName, path);
    const auto questions = f.desktop.messages();
    QCOMPARE(questions.size(), 2);
    QCOMPARE(questions[0].text, "Are you sure you wish to overwrite " + path + " ?");
    QCOMPARE(questions[0].buttons, MessageButtons::YesNo);
    QCOMPARE(questions[0].icon, MessageIcon::None);
    QCOMPARE(questions[0].title, applicationTitle());
}

void TestPrefixFiles::failedSaveReportsOnceAndKeepsOldFile()
{
    struct Case {
        const char *name;
        const char *target;
        int step;
        std::function<void(const QString &folder)> before, during;
    };
    const auto folderInTheWay = [](const QString &folder) {
        QDir(folder).mkpath("taken.txt");
        writeBytes(folder + "/taken.txt/old", "old");
    };
    const QList<Case> cases = {
        {"missing folder", "missing/out.txt", 130, {}, {}},
        {"parent is a file",
         "plain/out.txt",
         130,
         [](const QString &folder) { writeBytes(folder + "/plain", "x"); },
         {}},
        {"folder in the way", "taken.txt", 130, folderInTheWay, {}},
        // The old file is replaced only at the end, which here fails.
        {"folder appears while writing", "taken.txt", 140, {}, folderInTheWay},
        {"read-only folder",
         "old",
         130,
         [](const QString &folder) {
             writeBytes(folder + "/old", "old");
             QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
         },
         {}},
    };
    for (const Case &c : cases) {
        if (QByteArray(c.name) == "read-only folder" && !readOnlyFoldersStopWrites()) {
            qInfo("read-only folder: skipped, this user writes into read-only folders");
            continue;
        }
        QTemporaryDir dir;
        FormFixture f;
        for (int i = 0; i < 2000; ++i) {
            f.form().ListView2.add(QString::number(i));
        }
        if (c.before) {
            c.before(dir.path());
        }
        if (c.during) {
            QTimer::singleShot(0, &f.form(), [&] { c.during(dir.path()); });
        }
        const QString path = dir.filePath(c.target);
        f.desktop.fileChoices.push_back(path);
        f.click(f.form().PushButton5);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        const auto shown = f.desktop.messages();
        const bool asked = c.before && QFile::exists(path);
        QVERIFY2(shown.size() == (asked ? 2 : 1), c.name);
        QCOMPARE(shown.last().title, QStringLiteral("Application Error"));
        QVERIFY2(shown.last().text.contains(QString("at line %1").arg(c.step)), c.name);
        QCOMPARE(f.form().MousePointer(), int(kPointerArrow));
        // Nothing new beside the old entries, and those as they were.
        const QStringList left =
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QVERIFY2(left.size() <= 1, qPrintable(left.join(' ')));
        if (!left.isEmpty() && left.first() != "plain") {
            const QString old = left.first() == "old" ? path : path + "/old";
            QCOMPARE(readBytes(old), QByteArray("old"));
        }
    }
}

void TestPrefixFiles::saveWritesListAsItStoodWhenStarted()
{
    FormFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("results.txt");
    QByteArray expected;
    for (int i = 0; i < 3000; ++i) {
        f.form().ListView2.add(QString::number(i));
        expected += QByteArray::number(i) + "\r\n";
    }
    f.desktop.fileChoices.push_back(path);
    // "Clear List" and a new run in the middle of the save.
    int pointerWhenCleared = -1;
    QTimer::singleShot(0, &f.form(), [&] {
        pointerWhenCleared = f.form().MousePointer();
        f.form().ListView2.clear();
        f.form().ListView2.add(QStringLiteral("new"));
    });
    f.click(f.form().PushButton5);
    QCOMPARE(pointerWhenCleared, int(kPointerBusy));
    QCOMPARE(readBytes(path), expected);
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestPrefixFiles::savedFileLoadsBack()
{
    FormFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("round.txt");
    f.addPrefixes({"717"});
    fillResults(f.form(), {"603-431-2345", "  800-281-2", "Zürich"});
    f.desktop.fileChoices = {path, path};
    f.click(f.form().PushButton5);
    f.click(f.form().PushButton10);
    QCOMPARE(f.prefixes(), (QStringList{"717", "603-431-2345", "  800-281-2", "Zürich"}));
}

QTEST_MAIN(TestPrefixFiles)
#include "test_prefix_files.moc"
