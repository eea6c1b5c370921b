// Prefix list files: the read form and its encodings, loading through the real window, the
// sample, and saving the results as plain lines.
#include "prefixes/file_names.h"
#include "prefixes/list_file_text.h"
#include "prefixes/prefix_files.h"
#include "shell/app_title.h"
#include "shell/yield.h"
#include "support/form_fixture.h"

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<missing>";
    }
    return file.readAll();
}

void fillResults(Form1 &form, const QStringList &texts) {
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
    void readForm_data();
    void readForm();
    void encoding_data();
    void encoding();
    void fileNameFromPath();
    void chosenPathsAreJoinedWithOneSeparator();

    void loadAppendsAfterTheList();
    void cancelledLoadChangesNothing();
    void severalFilesFromOneFolder();
    void fileAtTheLimitLoadsAndBeyondIsRefused();
    void unreadableFileIsReportedAndOthersStillLoad();
    void sampleAndHint();

    void saveWritesResultsAsLines();
    void overwriteAskedFirst();
    void saveThatCannotCreateReportsOnce();
    void readOnlyFolderKeepsOldFile();
    void failedReplaceKeepsOldFile();
    void saveWritesListAsItStoodWhenStarted();
    void savedFileLoadsBack();
};

void TestPrefixFiles::readForm_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("CR LF") << QByteArray("717\r\n603-43\r\n") << QStringList{"717", "603-43"};
    QTest::newRow("LF") << QByteArray("717\n603-43\n") << QStringList{"717", "603-43", ""};
    QTest::newRow("CR") << QByteArray("717\r603-43\r") << QStringList{"717", "603-43"};
    QTest::newRow("no final end") << QByteArray("717\r\n603-43") << QStringList{"717", "603-43"};
    QTest::newRow("blank line") << QByteArray("717\r\n\r\n603-43\r\n")
                                << QStringList{"717", "", "603-43"};
    QTest::newRow("blanks kept") << QByteArray("  717\r\n") << QStringList{"  717"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
    QTest::newRow("only LF") << QByteArray("\n") << QStringList{"", ""};
    QTest::newRow("only CR") << QByteArray("\r") << QStringList{""};
    QTest::newRow("CR before CR LF") << QByteArray("a\r\r\nb") << QStringList{"a", "", "b"};
    QTest::newRow("LF inside a CR LF line")
        << QByteArray("a\nb\r\nc\n\r\n") << QStringList{"a", "b", "c", ""};
}

void TestPrefixFiles::readForm() {
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QCOMPARE(prefixLinesFromBytes(bytes), entries);
}

void TestPrefixFiles::encoding_data() {
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

void TestPrefixFiles::encoding() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeListFileText(bytes), text);
}

void TestPrefixFiles::fileNameFromPath() {
    QCOMPARE(FileNameFromPath(QStringLiteral("C:\\Lists\\codes.txt")), QStringLiteral("codes.txt"));
    QCOMPARE(FileNameFromPath(QStringLiteral("/home/u/lists/codes.txt")),
             QStringLiteral("codes.txt"));
    QCOMPARE(FileNameFromPath(QStringLiteral("C:\\Lists/a\\b.txt")), QStringLiteral("b.txt"));
    QCOMPARE(FileNameFromPath(QStringLiteral("codes.txt")), QStringLiteral("codes.txt"));
    QCOMPARE(FileNameFromPath(QStringLiteral("C:\\Lists\\")), QString());
    QCOMPARE(FileNameFromPath(QString()), QString());
}

void TestPrefixFiles::chosenPathsAreJoinedWithOneSeparator() {
    const QString s = QDir::separator();
    QCOMPARE(joinChosenPath(s + "lists", "a.txt"), s + "lists" + s + "a.txt");
    QCOMPARE(joinChosenPath(s + "lists" + s, "a.txt"), s + "lists" + s + "a.txt");
    // A drive's root.
    QCOMPARE(joinChosenPath(s, "a.txt"), s + "a.txt");
    if (s == QLatin1String("\\")) {
        QCOMPARE(joinChosenPath("\\\\server\\share", "a.txt"), QString("\\\\server\\share\\a.txt"));
    }
}

void TestPrefixFiles::loadAppendsAfterTheList() {
    FormFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("codes.txt");
    writeBytes(path, "717\r\n603-43\r\n");
    f.addPrefixes({"800-281-2"});
    f.form().CommonDialog1.fileName = QStringLiteral("last.txt");
    f.desktop.fileChoices.push_back(path);

    f.click(f.form().PushButton10);

    QCOMPARE(f.prefixes(), (QStringList{"800-281-2", "717", "603-43"}));
    QCOMPARE(f.desktop.dialogsShown.size(), 1);
    const FileDialogState shown = f.desktop.dialogsShown.first();
    QCOMPARE(shown.fileName, QString());
    QCOMPARE(shown.title, kLoadTitle);
    QCOMPARE(shown.flags, 2621953);
    QCOMPARE(shown.filter, kFilter);
    QCOMPARE(f.form().CommonDialog1.fileName, path);
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestPrefixFiles::cancelledLoadChangesNothing() {
    FormFixture f;
    f.addPrefixes({"717"});
    f.form().setMousePointer(kPointerArrow);
    f.click(f.form().PushButton10);
    QCOMPARE(f.prefixes(), QStringList{"717"});
    QCOMPARE(f.form().MousePointer(), int(kPointerArrow));
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestPrefixFiles::severalFilesFromOneFolder() {
    QTemporaryDir dir;
    writeBytes(dir.filePath("a.txt"), "717\r\n");
    writeBytes(dir.filePath("empty.txt"), "");
    writeBytes(dir.filePath("b.txt"), "caf\xe9\n");  // an old Windows file
    const QChar nul(0);
    // The folder as the dialog gives it, and once ending in a separator as a drive's root does.
    for (const QString &folder : {QDir::toNativeSeparators(dir.path()),
                                  QDir::toNativeSeparators(dir.path()) + QDir::separator()}) {
        FormFixture f;
        int pointerDuringBox = -1;
        f.desktop.onMessage = [&](const auto &) { pointerDuringBox = f.form().MousePointer(); };
        f.desktop.fileChoices.push_back(folder + nul + "a.txt" + nul + "gone.txt" + nul +
                                        "empty.txt" + nul + "b.txt");
        f.click(f.form().PushButton10);

        QCOMPARE(f.prefixes(), (QStringList{"717", "café", ""}));
        QCOMPARE(f.desktop.messages().size(), 1);
        QCOMPARE(f.desktop.messages().first().text, QStringLiteral("File not found"));
        QCOMPARE(f.desktop.messages().first().title, applicationTitle());
        QCOMPARE(pointerDuringBox, int(kPointerBusy));
        QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
    }
}

void TestPrefixFiles::fileAtTheLimitLoadsAndBeyondIsRefused() {
    FormFixture f;
    QTemporaryDir dir;
    const QString atLimit = dir.filePath("big.txt");
    const QString beyond = dir.filePath("huge.bin");
    {
        QFile a(atLimit);
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

void TestPrefixFiles::unreadableFileIsReportedAndOthersStillLoad() {
    // A folder passes the existence test but cannot be read as a file, even by root.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder.txt"));
    writeBytes(dir.filePath("a.txt"), "717");
    {
        FormFixture f;
        f.desktop.fileChoices.push_back(dir.filePath("folder.txt"));
        f.click(f.form().PushButton10);
        QCOMPARE(f.desktop.messages().size(), 1);
        QCOMPARE(f.desktop.messages().first().title, QStringLiteral("Application Error"));
        QVERIFY(f.desktop.messages().first().text.contains("PushButton10_Click at line 120"));
        QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
    }
    FormFixture f;
    f.desktop.fileChoices.push_back(dir.path() + QChar(0) + "folder.txt" + QChar(0) + "a.txt");
    f.click(f.form().PushButton10);
    QCOMPARE(f.prefixes(), QStringList{"717"});
    QCOMPARE(f.desktop.messages().size(), 1);
    QVERIFY(f.desktop.messages().first().text.contains("PushButton10_Click at line 134"));
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestPrefixFiles::sampleAndHint() {
    FormFixture f;
    f.click(f.form().PushButton11);
    f.click(f.form().PushButton11);
    QCOMPARE(f.prefixes(),
             (QStringList{"603-43", "800-281-2", "717", "603-43", "800-281-2", "717"}));
    f.click(f.form().PushButton12);
    QCOMPARE(f.desktop.messageTexts(),
             QStringList{"You must load text files into the list. You can not load Word files for "
                         "example."});
    QCOMPARE(f.desktop.messages().first().buttons, MessageButtons::Ok);
}

void TestPrefixFiles::saveWritesResultsAsLines() {
    FormFixture f;
    QTemporaryDir dir;
    f.addPrefixes({"717"});
    // No results: an empty file, whatever the prefix list holds.
    const QString empty = dir.filePath("empty.txt");
    f.form().CommonDialog1.fileName = QStringLiteral("proposed.txt");
    f.desktop.fileChoices.push_back(empty);
    f.click(f.form().PushButton5);
    QCOMPARE(readBytes(empty), QByteArray());
    const FileDialogState shown = f.desktop.dialogsShown.first();
    QCOMPARE(shown.fileName, QStringLiteral("proposed.txt"));
    QCOMPARE(shown.title, QStringLiteral("Save"));
    QCOMPARE(shown.flags, 2621953);
    QCOMPARE(shown.filter, kFilter);

    const QString path = dir.filePath("results.txt");
    fillResults(f.form(), {"717-555-0100", "café", ""});
    f.desktop.fileChoices.push_back(path);
    f.click(f.form().PushButton5);
    QCOMPARE(readBytes(path), QByteArray("717-555-0100\r\ncaf\xc3\xa9\r\n\r\n"));
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(f.form().MousePointer(), int(kPointerArrow));
    // Cancelling the next save touches nothing.
    f.form().setMousePointer(kPointerDefault);
    f.click(f.form().PushButton5);
    QCOMPARE(f.desktop.dialogsShown.last().fileName, path);
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestPrefixFiles::overwriteAskedFirst() {
    FormFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("old.txt");
    writeBytes(path, "old\r\n");
    fillResults(f.form(), {"717-555-0100"});

    f.desktop.fileChoices.push_back(path);
    f.desktop.answers.push_back(MessageAnswer::No);
    f.click(f.form().PushButton5);
    QCOMPARE(readBytes(path), QByteArray("old\r\n"));
    QCOMPARE(f.desktop.messages().size(), 1);
    const auto question = f.desktop.messages().first();
    QCOMPARE(question.text, "Are you sure you wish to overwrite " + path + " ?");
    QCOMPARE(question.buttons, MessageButtons::YesNo);
    QCOMPARE(question.icon, MessageIcon::None);
    QCOMPARE(question.title, applicationTitle());
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));

    f.desktop.fileChoices.push_back(path);
    f.desktop.answers.push_back(MessageAnswer::Yes);
    f.click(f.form().PushButton5);
    QCOMPARE(readBytes(path), QByteArray("717-555-0100\r\n"));
    QCOMPARE(f.desktop.messages().size(), 2);
}

void TestPrefixFiles::saveThatCannotCreateReportsOnce() {
    QTemporaryDir dir;
    writeBytes(dir.filePath("plain"), "x");
    // A folder that does not exist, and a "folder" that is a regular file: both fail for root too.
    for (const QString &path : {dir.filePath("missing/out.txt"), dir.filePath("plain/out.txt")}) {
        FormFixture f;
        QStringList many;
        for (int i = 0; i < 2000; ++i) {
            many << QString::number(i);
        }
        fillResults(f.form(), many);
        f.desktop.fileChoices.push_back(path);
        f.click(f.form().PushButton5);
        QCOMPARE(f.desktop.messages().size(), 1);
        QCOMPARE(f.desktop.messages().first().title, QStringLiteral("Application Error"));
        QVERIFY(f.desktop.messages().first().text.contains("PushButton5_Click at line 130"));
        QVERIFY(!QFile::exists(path));
        QCOMPARE(f.form().MousePointer(), int(kPointerArrow));
    }
}

void TestPrefixFiles::readOnlyFolderKeepsOldFile() {
    if (geteuid() == 0) {
        QSKIP("root writes into read-only folders");
    }
    QTemporaryDir dir;
    const QString path = dir.filePath("old.txt");
    writeBytes(path, "old\r\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    FormFixture f;
    fillResults(f.form(), {"717-555-0100"});
    f.desktop.fileChoices.push_back(path);
    f.click(f.form().PushButton5);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(f.desktop.messages().size(), 2);  // the question, then one report
    QVERIFY(f.desktop.messages().last().text.contains("PushButton5_Click at line 130"));
    QCOMPARE(readBytes(path), QByteArray("old\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"old.txt"});
}

void TestPrefixFiles::failedReplaceKeepsOldFile() {
    // A folder where the file should go cannot be replaced by a file, even by root: once when it
    // is there from the start, once when it appears while the entries are being written.
    for (const bool appearsWhileSaving : {false, true}) {
        QTemporaryDir dir;
        const QString path = dir.filePath("taken.txt");
        const auto makeFolder = [&] {
            QDir(dir.path()).mkdir("taken.txt");
            writeBytes(path + "/inside", "keep");
        };
        FormFixture f;
        fillResults(f.form(), {"717-555-0100", "717-555-0101"});
        f.desktop.fileChoices.push_back(path);
        if (appearsWhileSaving) {
            setYieldInterval(0);
            QTimer::singleShot(0, &f.form(), makeFolder);
        } else {
            makeFolder();
        }
        f.click(f.form().PushButton5);
        setYieldInterval(10);
        const auto reports = f.desktop.messages();
        QCOMPARE(reports.last().title, QStringLiteral("Application Error"));
        QVERIFY(reports.last().text.contains(appearsWhileSaving ? "at line 140" : "at line 130"));
        QCOMPARE(reports.size(), appearsWhileSaving ? 1 : 2);  // no question for a new name
        QCOMPARE(readBytes(path + "/inside"), QByteArray("keep"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"taken.txt"});
        QCOMPARE(f.form().MousePointer(), int(kPointerArrow));
    }
}

void TestPrefixFiles::saveWritesListAsItStoodWhenStarted() {
    FormFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("results.txt");
    QStringList many;
    QByteArray expected;
    for (int i = 0; i < 3000; ++i) {
        many << QString::number(i);
        expected += QByteArray::number(i) + "\r\n";
    }
    fillResults(f.form(), many);
    f.desktop.fileChoices.push_back(path);
    setYieldInterval(0);
    // "Clear List" and a new run in the middle of the save.
    int pointerWhenCleared = -1;
    QTimer::singleShot(0, &f.form(), [&] {
        pointerWhenCleared = f.form().MousePointer();
        f.form().ListView2.clear();
        f.form().ListView2.add(QStringLiteral("new"));
    });
    f.click(f.form().PushButton5);
    setYieldInterval(10);
    QCOMPARE(pointerWhenCleared, int(kPointerBusy));
    QCOMPARE(f.results(), QStringList{"new"});
    QCOMPARE(readBytes(path), expected);
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestPrefixFiles::savedFileLoadsBack() {
    FormFixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath("round.txt");
    f.addPrefixes({"717"});
    fillResults(f.form(), {"603-431-2345", "  800-281-2", "Zürich"});
    f.desktop.fileChoices.push_back(path);
    f.click(f.form().PushButton5);
    f.desktop.fileChoices.push_back(path);
    f.click(f.form().PushButton10);
    QCOMPARE(f.prefixes(), (QStringList{"717", "603-431-2345", "  800-281-2", "Zürich"}));
}

QTEST_MAIN(TestPrefixFiles)
#include "test_prefix_files.moc"
