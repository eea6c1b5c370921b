// The result text file, the clipboard copy and "Clear List" through the real buttons. The text
// forms themselves are in the output core's tests.
#include "lists/list_snapshot.h"
#include "output/clipboard.h"
#include "output/core/table_text.h"
#include "output/core/text_table_file.h"
#include "shell/core/progress.h"
#include "shell/core/yield.h"
#include "support/file_bytes.h"
#include "support/form_fixture.h"
#include "support/result_lists.h"

#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <csignal>
#endif

class TestOutput : public QObject {
    Q_OBJECT
private slots:
    void saveThroughTheWindow();
    void replacesAsTypedAndCancelTouchesNothing();
    void unwritablePathIsReported();
    void failureHalfWayKeepsTheOldFile();
    void listChangedUnderSaveAndCopy();
    void copyAndClearThroughTheWindow();
};

void TestOutput::saveThroughTheWindow()
{
    FormFixture f;
    Form1 &w = f.form();
    addResultNumbers(w.ListView2, 3);
    w.ListView2.setChecked(2, false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.txt"));
    f.desktop.fileChoices.push_back(path);
    QList<int> shown;
    connect(w.ProgressBar1, &QProgressBar::valueChanged, this, [&](int v) { shown << v; });
    f.click(w.PushButton3);

    QCOMPARE(readBytes(path), kResultHeader.toUtf8() + "\t\r\n" + paddedLine(resultNumber(1), 51) +
                                  paddedLine(resultNumber(3), 51));
    QCOMPARE(shown, QList<int>({1, 10, 20, 33, 100, 0}));
    QCOMPARE(w.ProgressBar1->caption(), QStringLiteral("Progress Bar"));
    QCOMPARE(w.MousePointer(), int(kPointerDefault));
    QVERIFY(f.desktop.messages().isEmpty());
    const FileDialogState &d = f.desktop.dialogsShown.first();
    QCOMPARE(d.flags, 2621953);
    QCOMPARE(d.title, QStringLiteral("Save"));
    QCOMPARE(d.filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
    QCOMPARE(w.CommonDialog1.fileName, path);
}

void TestOutput::replacesAsTypedAndCancelTouchesNothing()
{
    FormFixture f;
    Form1 &w = f.form();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results"));
    writeBytes(path, QByteArray(5000, 'x'));
    f.desktop.fileChoices.push_back(path);
    f.click(w.PushButton3);
    QCOMPARE(readBytes(path), kResultHeader.toUtf8() + "\t\r\n");
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results"});

    addResultNumbers(w.ListView2, 2);
    w.ProgressBar1->setPercent(37);
    w.ProgressBar1->setCaption(QStringLiteral("before"));
    f.click(w.PushButton3);                                  // no choice queued: cancelled
    QCOMPARE(f.desktop.dialogsShown.last().fileName, path);  // the dialog opened on the last name
    QCOMPARE(readBytes(path), kResultHeader.toUtf8() + "\t\r\n");
    QCOMPARE(w.ProgressBar1->value(), 37);
    QCOMPARE(w.ProgressBar1->caption(), QStringLiteral("before"));
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(w.MousePointer(), int(kPointerDefault));
}

void TestOutput::unwritablePathIsReported()
{
    FormFixture f;
    QTemporaryDir dir;
    const QString plain = dir.filePath(QStringLiteral("plain"));
    writeBytes(plain, "keep");
    // A regular file where a folder should be, and a missing folder: both fail, even for root.
    for (const QString &path : {plain + "/r.txt", dir.filePath(QStringLiteral("none/r.txt"))}) {
        f.desktop.fileChoices.push_back(path);
        f.click(f.form().PushButton3);
    }
    const auto boxes = f.desktop.messages();
    QCOMPARE(boxes.size(), 2);
    for (const auto &box : boxes) {
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QVERIFY2(box.text.contains(QStringLiteral("Form1.PushButton3_Click at line 120")),
                 qPrintable(box.text));
    }
    QCOMPARE(readBytes(plain), QByteArray("keep"));
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestOutput::failureHalfWayKeepsTheOldFile()
{
#ifdef Q_OS_LINUX
    // A file size limit makes the write fail part way through, as a full disk would.
    FormFixture f;
    Form1 &w = f.form();
    addResultNumbers(w.ListView2, 100000);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.txt"));
    writeBytes(path, "the old file");
    f.desktop.fileChoices.push_back(path);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 2 << 20;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    f.click(w.PushButton3);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(readBytes(path), QByteArray("the old file"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.txt"});
    QCOMPARE(f.desktop.messages().size(), 1);
    QVERIFY(f.desktop.messageTexts().first().contains(QStringLiteral("at line 120")));
    // The bar stays where the failure left it: never "Done.", never back to idle.
    QVERIFY2(w.ProgressBar1->caption().startsWith(QStringLiteral("Writing file: old.txt (")),
             qPrintable(w.ProgressBar1->caption()));
    QCOMPARE(w.MousePointer(), int(kPointerDefault));
#else
    QSKIP("needs a file size limit");
#endif
}

// A new run replacing the list during the save or the copy: both give the list as it was when
// the command started.
void TestOutput::listChangedUnderSaveAndCopy()
{
    FormFixture f;
    Form1 &w = f.form();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.txt"));
    for (QPushButton *button : {w.PushButton3, w.PushButton8}) {
        w.ListView2.clear();
        addResultNumbers(w.ListView2, 20000);
        const ListSnapshot before = w.ListView2.snapshot();
        f.desktop.fileChoices.push_back(path);
        bool replaced = false;
        QTimer::singleShot(0, &w, [&] {
            replaced = true;
            w.ListView2.clear();
            w.ListView2.add(QStringLiteral("999-999-9999"));
        });
        f.click(button);
        QVERIFY(replaced);
        QCOMPARE(w.ListView2.count(), 1);
        if (button == w.PushButton3) {
            const QString expected = dir.filePath(QStringLiteral("expected.txt"));
            SaveListAsTextFile(before, expected);
            QVERIFY(readBytes(path) == readBytes(expected));
        } else {
            QVERIFY(*f.desktop.clipboard == clipboardText(before));
        }
    }
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestOutput::copyAndClearThroughTheWindow()
{
    FormFixture f;
    Form1 &w = f.form();
    // An empty list leaves the clipboard as it was.
    f.desktop.clipboard = QStringLiteral("before");
    f.click(w.PushButton8);
    QCOMPARE(*f.desktop.clipboard, QStringLiteral("before"));
    QCOMPARE(f.desktop.clipboardClears, 0);
    addResultNumbers(w.ListView2, 3);
    f.click(w.PushButton8);
    QCOMPARE(*f.desktop.clipboard,
             resultNumber(1) + "\r\n" + resultNumber(2) + "\r\n" + resultNumber(3) + "\r\n");

    f.addPrefixes({"717"});
    w.ProgressBar1->setPercent(40);
    f.click(w.PushButton7);
    QCOMPARE(w.ListView2.count(), 0);
    f.click(w.PushButton7);  // already empty: nothing to see
    QCOMPARE(f.prefixes(), QStringList{"717"});
    QCOMPARE(w.ProgressBar1->value(), 40);
    QVERIFY(f.desktop.messages().isEmpty());
}

QTEST_MAIN(TestOutput)
#include "test_output.moc"
