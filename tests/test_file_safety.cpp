// What the program's files go through: a full disk during each save, the window closed in the
// middle of each save, a "file" that is a folder, a pipe or a device, another user's links and
// folders on the way to them, and the workbooks left for the spreadsheet program.
#include "mainwindow/core/settings_store.h"
#include "output/core/xlsx_spreadsheet.h"
#include "shell/core/file_system.h"
#include "shell/desktop_platform.h"
#include "support/file_bytes.h"
#include "support/form_fixture.h"
#include "support/full_disk.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QtTest>
#include <functional>
#include <iterator>

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

// What the process still holds open in the folder, deleted files included.
QStringList openFilesIn(const QString &folder)
{
    QStringList open;
    for (const QFileInfo &fd : QDir(QStringLiteral("/proc/self/fd"))
                                   .entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden |
                                                  QDir::NoDotAndDotDot)) {
        const QString target = fd.symLinkTarget();
        if (target.startsWith(folder + QLatin1Char('/'))) {
            open << target;
        }
    }
    return open;
}

// Runs a command as the machine's unprivileged user, as another user of the machine would.
bool asAnotherUser(const QStringList &command)
{
    return QProcess::execute(
               QStringLiteral("runuser"),
               QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")} +
                   command) == 0;
}

bool canActAsAnotherUser()
{
    return ::geteuid() == 0 && QProcess::execute(QStringLiteral("runuser"),
                                                 {QStringLiteral("-u"), QStringLiteral("nobody"),
                                                  QStringLiteral("true")}) == 0;
}

bool linkAsAnotherUser(const QString &target, const QString &link)
{
    return asAnotherUser({QStringLiteral("ln"), QStringLiteral("-s"), target, link});
}

// A folder anyone may write, as /tmp is, in a folder of the user's that others may pass.
QString sharedFolderIn(const QTemporaryDir &dir)
{
    QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7711));
    const QString shared = dir.filePath(QStringLiteral("shared"));
    QDir().mkdir(shared);
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    return shared;
}

bool isLink(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

void fillResults(Form1 &w, int count)
{
    for (int i = 0; i < count; ++i) {
        w.ListView2.add(QStringLiteral("717-555-%1").arg(i % 10000, 4, 10, QLatin1Char('0')));
    }
}

// A workbook written as the program writes it, but never opened in a spreadsheet program.
class UnshownWorkbook : public XlsxSpreadsheet {
public:
    using XlsxSpreadsheet::XlsxSpreadsheet;
    void makeVisible() override { finish(); }
};

// The three saves, each started from its button with the target chosen in the dialog (the
// workbook's target is its folder).
struct Save {
    const char *name;
    QPushButton *Form1::*button;
    int failingStep;       // where a full disk is reported
    int turnsIntoWriting;  // turns of the event loop until the file is being written
};
// The text table measures its 20,000 cells before it opens its file.
const Save kSaves[] = {
    {"text table", &Form1::PushButton3, 120, 40000},
    {"prefix lines", &Form1::PushButton5, 136, 5000},
    {"workbook", &Form1::PushButton13, 174, 5000},
};

void startSave(FormFixture &f, const Save &save, const QString &folder, const QString &target)
{
    f.desktop.fileChoices = {target};
    f.desktop.answers = {MessageAnswer::Yes};  // replace the old file
    f.desktop.spreadsheets = [folder] { return std::make_unique<UnshownWorkbook>(folder); };
    f.click(f.form().*(save.button));
}

}  // namespace

class TestFileSafety : public QObject {
    Q_OBJECT
private slots:
    void fullDiskKeepsTheOldFile_data();
    void fullDiskKeepsTheOldFile();
    void fullDiskAtCloseKeepsTheStore();
    void closingDuringSaveLeavesNothingHalfWritten_data();
    void closingDuringSaveLeavesNothingHalfWritten();
    void loadingWhatIsNoFileAnswersAtOnce();
    void whatAnotherUserPlantsIsNeverWrittenThrough();
    void linkPutAtTheNameAfterItsCheckIsReplacedNotFollowed();
    void workbookFolderSwappedByAnotherUserIsNeverWrittenThrough();
    void relativeXdgFoldersAreIgnored();
    void newFilesKeepToTheUmask();
    void oldWorkbooksAreRemovedAtTheNextExport();
};

void TestFileSafety::fullDiskKeepsTheOldFile_data()
{
    QTest::addColumn<int>("which");
    for (int i = 0; i < int(std::size(kSaves)); ++i) {
        QTest::newRow(kSaves[i].name) << i;
    }
}

void TestFileSafety::fullDiskKeepsTheOldFile()
{
    QFETCH(int, which);
    const Save &save = kSaves[which];
    FullDisk disk;
    FormFixture f;
    fillResults(f.form(), 5000);
    const QString target = disk.filePath("results.txt");
    writeBytes(target, "old");
    disk.fill();
    startSave(f, save, disk.path(), target);
    disk.makeRoom();
#ifndef Q_OS_LINUX
    QSKIP("a full disk is made only on Linux");
#endif

    const auto errors = f.desktop.messages();
    QVERIFY(!errors.isEmpty());
    const auto report = errors.last();
    QCOMPARE(report.title, QStringLiteral("Application Error"));
    QVERIFY2(report.text.contains(QStringLiteral("at line %1\r\r").arg(save.failingStep)),
             qPrintable(report.text));
    QVERIFY2(report.text.contains(disk.reason()), qPrintable(report.text));
    QCOMPARE(errors.size(), which == 1 ? 2 : 1);  // the prefix lines ask before replacing
    // The old file as it was, and nothing written beside it.
    QCOMPARE(readBytes(target), QByteArray("old"));
    QCOMPARE(filesIn(disk.path()), QStringList{"results.txt"});
    QVERIFY(f.form().MousePointer() != kPointerBusy);
    // Nor anything held open that keeps the disk full, the workbook's file of rows included.
    QCOMPARE(openFilesIn(disk.path()), QStringList());
}

void TestFileSafety::fullDiskAtCloseKeepsTheStore()
{
    FullDisk disk;
    FormFixture f;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, disk.path());
    f.restart();
    f.addPrefixes({"717"});
    f.form().close();  // the store as it was before the disk filled
    f.restart();
    const QString store =
        QSettings(QStringLiteral("Quillane"), QStringLiteral("Quillane")).fileName();
    const QByteArray before = readBytes(store);
    QVERIFY(before.contains("717;"));

    QStringList many;
    for (int i = 0; i < 20000; ++i) {
        many << QStringLiteral("212-%1").arg(i);
    }
    f.addPrefixes(many);
    f.form().Text1->setText(QStringLiteral("321"));
    disk.fill();
    f.form().close();
    disk.makeRoom();
#ifndef Q_OS_LINUX
    QSKIP("a full disk is made only on Linux");
#endif

    QCOMPARE(f.desktop.messages().size(), 1);
    QCOMPARE(f.prefixes().size(), 20001);
    QCOMPARE(f.desktop.messages().first().text,
             QStringLiteral("The prefix list could not be saved for the next start.\n\n"
                            "The settings file %1 cannot be written: %2.")
                 .arg(QDir::toNativeSeparators(store), disk.reason()));
    QCOMPARE(f.desktop.endings, 2);
    QCOMPARE(readBytes(store), before);
    const QStringList left = filesIn(QFileInfo(store).path());
    QCOMPARE(left.filter(QStringLiteral("Quillane.conf")).size(), left.size());
    QVERIFY2(left.size() <= 2, qPrintable(left.join(' ')));  // the store and its pending count
}

void TestFileSafety::closingDuringSaveLeavesNothingHalfWritten_data()
{
    fullDiskKeepsTheOldFile_data();
}

void TestFileSafety::closingDuringSaveLeavesNothingHalfWritten()
{
    QFETCH(int, which);
    const Save &save = kSaves[which];
    QTemporaryDir dir;
    FormFixture f;
    fillResults(f.form(), 20000);
    const QString target = dir.filePath("results.txt");
    writeBytes(target, "old");
    afterTurns(&f.form(), save.turnsIntoWriting, [&] { f.form().close(); });
    startSave(f, save, dir.path(), target);

    // The save ended at the close, reporting nothing, and left nothing of itself.
    QCOMPARE(f.desktop.endings, 1);
    QCOMPARE(f.desktop.calls.last().kind, QStringLiteral("end"));
    QCOMPARE(filesIn(dir.path()), QStringList{"results.txt"});
    QCOMPARE(readBytes(target), QByteArray("old"));
}

void TestFileSafety::loadingWhatIsNoFileAnswersAtOnce()
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.txt");
    QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
    const QString folder = dir.filePath("folder.txt");
    struct Case {
        QString path;
        QString told;
    };
    const QString special = QStringLiteral(
        "%1 is not a plain file (it is a device, a pipe or a socket), and was not "
        "loaded.");
    const QList<Case> cases = {
        {pipe, special.arg(pipe)},
        {QStringLiteral("/dev/zero"), special.arg(QStringLiteral("/dev/zero"))},
        {folder, folder + QStringLiteral(" is a folder, not a list file, and was not loaded.")},
        // A file of the system's that says it is empty and holds gigabytes: read in large
        // blocks up to the limit, so the refusal comes at once.
        {QStringLiteral("/proc/self/pagemap"),
         QStringLiteral("/proc/self/pagemap is larger than 16 MB, too large for a list of "
                        "prefixes, and was not loaded.")},
    };
    for (const Case &c : cases) {
        FormFixture f;
        f.addPrefixes({"717"});
        // A name typed into the dialog comes back as it was typed, whatever it names.
        f.desktop.fileChoices = {c.path};
        f.click(f.form().PushButton10);
        QCOMPARE(f.desktop.messageTexts(), QStringList{c.told});
        QCOMPARE(f.desktop.messages().first().icon, MessageIcon::None);
        QCOMPARE(f.prefixes(), QStringList{"717"});
        QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
    }
}

void TestFileSafety::whatAnotherUserPlantsIsNeverWrittenThrough()
{
    if (::geteuid() != 0 || QProcess::execute(QStringLiteral("runuser"),
                                              {QStringLiteral("-u"), QStringLiteral("nobody"),
                                               QStringLiteral("true")}) != 0) {
        QSKIP("acting as a second user takes root and runuser");
    }
    // A folder anyone may write, as /tmp is, beside a file of the user's.
    FormFixture f;
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7711)));
    const QString mine = dir.filePath(QStringLiteral("mine.txt"));
    writeBytes(mine, "mine");
    const QString shared = dir.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkdir(shared));
    QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const auto plant = [&](const QString &link, const QString &target) {
        QVERIFY(asAnotherUser({QStringLiteral("ln"), QStringLiteral("-s"), target, link}));
    };
    const auto report = [&] {
        const auto boxes = f.desktop.messages();
        return boxes.isEmpty() ? QString() : boxes.last().text;
    };
    fillResults(f.form(), 3);

    // The text table and the prefix lines, saved under a name that is the other user's link.
    const QString results = shared + QStringLiteral("/results.txt");
    plant(results, mine);
    for (QPushButton *button : {f.form().PushButton3, f.form().PushButton5}) {
        f.desktop.calls.clear();
        f.desktop.fileChoices = {results};
        f.desktop.answers = {MessageAnswer::Yes};
        f.click(button);
        QVERIFY2(report().startsWith(QStringLiteral("Cannot write the file %1: %1 is a link that "
                                                    "another user made")
                                         .arg(results)),
                 qPrintable(report()));
        QCOMPARE(readBytes(mine), QByteArray("mine"));
    }

    // A folder of the user's, reached through a link the other user made on the way: refused as
    // a link at the name is, and the user's own links on the way are followed.
    const QString myFolder = dir.filePath(QStringLiteral("mine"));
    QVERIFY(QDir().mkdir(myFolder));
    QVERIFY(QFile::setPermissions(myFolder, QFileDevice::Permissions(0x7700)));
    writeBytes(myFolder + QStringLiteral("/out.txt"), "mine");
    QVERIFY(QFile::setPermissions(myFolder + QStringLiteral("/out.txt"),
                                  QFile::ReadOwner | QFile::WriteOwner));
    const QString theirLink = shared + QStringLiteral("/nobodydir");
    plant(theirLink, myFolder);
    const QString myLink = shared + QStringLiteral("/mydir");
    QVERIFY(QFile::link(myFolder, myLink));
    f.desktop.calls.clear();
    f.desktop.fileChoices = {theirLink + QStringLiteral("/out.txt")};
    f.click(f.form().PushButton3);
    QVERIFY2(report().startsWith(QStringLiteral("Cannot write the file %1/out.txt: %1 is a link "
                                                "that another user made")
                                     .arg(theirLink)),
             qPrintable(report()));
    QCOMPARE(readBytes(myFolder + QStringLiteral("/out.txt")), QByteArray("mine"));
    f.desktop.calls.clear();
    f.desktop.fileChoices = {myLink + QStringLiteral("/out.txt")};
    f.desktop.answers = {MessageAnswer::Yes};
    f.click(f.form().PushButton5);
    QCOMPARE(f.desktop.messages().size(), 1);  // the question alone
    QVERIFY(readBytes(myFolder + QStringLiteral("/out.txt")).startsWith("717-555-0000\r\n"));
    QCOMPARE(QFile::permissions(myFolder + QStringLiteral("/out.txt")) & 0x0077,
             QFileDevice::Permissions());  // a replaced file keeps its mode

    // The workbooks' folder: made by the other user, or a link of theirs to one.
    const QString theirs = shared + QStringLiteral("/dialroster");
    QVERIFY(asAnotherUser(
        {QStringLiteral("mkdir"), QStringLiteral("-m"), QStringLiteral("0777"), theirs}));
    const QString linked = shared + QStringLiteral("/linked");
    plant(linked, theirs);
    for (const auto &[folder, why] :
         {std::pair{theirs, QStringLiteral("it belongs to another user")},
          std::pair{linked, QStringLiteral("it is a link")}}) {
        f.desktop.calls.clear();
        f.desktop.spreadsheets = [folder = folder] {
            return std::make_unique<UnshownWorkbook>(folder);
        };
        f.click(f.form().PushButton13);
        QVERIFY2(report().startsWith(QStringLiteral("The folder %1 is not yours alone: %2. "
                                                    "Nothing is written into it.")
                                         .arg(folder, why)),
                 qPrintable(report()));
        QCOMPARE(filesIn(theirs), QStringList());
    }

    // The settings, had the other user a way into their folder (one anyone may write, even if
    // sticky): the count beside the store and the store itself go nowhere, with a message.
    const QString store = f.settingsFolder() + QStringLiteral("/Quillane");
    QVERIFY(QDir().mkpath(store));
    QVERIFY(QFile::setPermissions(f.settingsFolder(), QFileDevice::Permissions(0x7711)));
    QCOMPARE(::chmod(QFile::encodeName(store).constData(), 01777), 0);
    plant(store + QStringLiteral("/Quillane.conf"), mine);
    f.desktop.calls.clear();
    f.form().Text1->setText(QStringLiteral("321"));
    f.form().close();
    QCOMPARE(report(), QStringLiteral("The prefix list could not be saved for the next start.\n\n"
                                      "The folder %1 is not yours alone: other users can write "
                                      "into it (its mode is 1777). Nothing is written into it.")
                           .arg(store));
    QCOMPARE(readBytes(mine), QByteArray("mine"));
    QCOMPARE(filesIn(store), QStringList{"Quillane.conf"});

    // In a folder of the user's alone, links the other user left there before: the count is not
    // read through one, and the store is not written through one.
    const auto startWith = [&](const QString &storeMode) {
        QDir(store).removeRecursively();
        QVERIFY(QDir().mkdir(store));
        QVERIFY(QProcess::execute(QStringLiteral("chmod"), {storeMode, store}) == 0);
        writeBytes(mine, "555");
        for (const char *name : {"/Quillane.conf.count", "/Quillane.conf"}) {
            QVERIFY(QFile::link(mine, store + QLatin1String(name)));
            QVERIFY(QProcess::execute(QStringLiteral("chown"),
                                      {QStringLiteral("-h"), QStringLiteral("nobody"),
                                       store + QLatin1String(name)}) == 0);
        }
        f.restart();
        f.desktop.calls.clear();
    };
    startWith(QStringLiteral("0700"));
    QCOMPARE(f.form().Text1->text(), QStringLiteral("200"));
    f.form().close();
    QCOMPARE(report(), QStringLiteral("The prefix list could not be saved for the next start.\n\n"
                                      "The settings file %1/Quillane.conf cannot be written: "
                                      "%1/Quillane.conf is a link that another user made.")
                           .arg(store));
    QCOMPARE(readBytes(mine), QByteArray("555"));

    // A settings folder that others may write is neither read nor written.
    startWith(QStringLiteral("0777"));
    const QString openToAll = QStringLiteral(
                                  "The folder %1 is not yours alone: other users can write into "
                                  "it (its mode is 0777). Nothing is written into it.")
                                  .arg(store);
    QCOMPARE(f.form().Text1->text(), QStringLiteral("200"));
    f.form().Text1->setText(QStringLiteral("321"));
    f.form().close();
    QCOMPARE(f.desktop.messageTexts(),
             QStringList{QStringLiteral("The prefix list could not be saved for the next "
                                        "start.\n\n") +
                         openToAll});
    QCOMPARE(readBytes(mine), QByteArray("555"));
    QCOMPARE(filesIn(store), (QStringList{"Quillane.conf", "Quillane.conf.count"}));

    // The settings folder a link of the other user's to a folder of theirs, in a folder the
    // system's way of sharing (root's and sticky) lets the user keep: nothing read or written.
    QDir(store).removeRecursively();
    QCOMPARE(::chmod(QFile::encodeName(f.settingsFolder()).constData(), 01777), 0);
    const QString elsewhere = shared + QStringLiteral("/settings");
    QVERIFY(asAnotherUser(
        {QStringLiteral("mkdir"), QStringLiteral("-m"), QStringLiteral("0777"), elsewhere}));
    plant(store, elsewhere);
    f.desktop.calls.clear();
    f.restart();
    const QString storeLinked = QStringLiteral(
                                    "The folder %1 is not yours alone: it is a link. Nothing is "
                                    "written into it.")
                                    .arg(store);
    QCOMPARE(
        f.desktop.messageTexts(),
        QStringList{storeLinked + QStringLiteral(" The prefix list and the count start afresh.")});
    f.desktop.calls.clear();
    f.form().Text1->setText(QStringLiteral("321"));
    f.form().close();
    QCOMPARE(f.desktop.messageTexts(),
             QStringList{QStringLiteral("The prefix list could not be saved for the next "
                                        "start.\n\n") +
                         storeLinked});
    QCOMPARE(filesIn(elsewhere), QStringList());
}

void TestFileSafety::linkPutAtTheNameAfterItsCheckIsReplacedNotFollowed()
{
    if (!canActAsAnotherUser()) {
        QSKIP("acting as a second user takes root and runuser");
    }
    // The other user puts a link at the save's name just after the program looked at the name:
    // the moment a user racing the save would have to hit, reached every time.
    FormFixture f;
    QTemporaryDir dir;
    const QString shared = sharedFolderIn(dir);
    const QString mine = dir.filePath(QStringLiteral("mine.txt"));
    const QString results = shared + QStringLiteral("/results.txt");
    fillResults(f.form(), 3);
    struct Case {
        QPushButton *button;
        QByteArray starts;
    };
    const QList<Case> cases = {{f.form().PushButton3, "Result/s - No duplicates"},
                               {f.form().PushButton5, "717-555-0000\r\n"}};
    for (const Case &c : cases) {
        writeBytes(mine, "mine");
        QFile::remove(results);
        bool planted = false;
        fsSetRaceHook([&] { planted = linkAsAnotherUser(mine, results); });
        const auto unhook = qScopeGuard([] { fsSetRaceHook({}); });
        f.desktop.calls.clear();
        f.desktop.fileChoices = {results};
        f.desktop.answers = {MessageAnswer::Yes};
        f.click(c.button);
        QVERIFY(planted);
        QCOMPARE(readBytes(mine), QByteArray("mine"));
        // The save replaced the link (root may, in a sticky folder), or was refused; never both
        // the link and the file behind it.
        const auto boxes = f.desktop.messages();
        if (boxes.isEmpty()) {
            QVERIFY(!isLink(results));
            QVERIFY(readBytes(results).startsWith(c.starts));
        } else {
            QVERIFY2(boxes.last().text.contains(results), qPrintable(boxes.last().text));
        }
    }

    // The settings file and its lock, at the close: a link of the other user's put at either
    // name after the close looked at the folder and the file is never followed, and the store
    // says why it was not written.
    const QString store = f.settingsFolder() + QStringLiteral("/Quillane");
    const QString unsaved =
        QStringLiteral("The prefix list could not be saved for the next start.\n\n");
    const QList<std::pair<QString, QString>> names = {
        {QStringLiteral("Quillane.conf"),
         QStringLiteral("The settings file %1/Quillane.conf cannot be written: %1/Quillane.conf is "
                        "a link that another user made.")},
        {QStringLiteral("Quillane.conf.lock"),
         QStringLiteral("The settings file %1/Quillane.conf cannot be written: its lock "
                        "%1/Quillane.conf.lock could not be taken.")}};
    for (const auto &[name, told] : names) {
        f.restart();
        f.addPrefixes({"717"});
        f.form().close();  // the store as it was
        const QByteArray before = readBytes(store + QStringLiteral("/Quillane.conf"));
        QVERIFY(before.contains("717;"));
        writeBytes(mine, "mine");
        f.restart();
        f.addPrefixes({"603"});
        const QString link = store + QLatin1Char('/') + name;
        bool planted = false;
        fsSetRaceHook([&] {
            QFile::remove(link);
            planted =
                QFile::link(mine, link) &&
                QProcess::execute(QStringLiteral("chown"),
                                  {QStringLiteral("-h"), QStringLiteral("nobody"), link}) == 0;
        });
        const auto unhook = qScopeGuard([] { fsSetRaceHook({}); });
        f.desktop.calls.clear();
        f.form().close();
        QVERIFY(planted);
        QCOMPARE(readBytes(mine), QByteArray("mine"));
        QCOMPARE(f.desktop.messageTexts(), QStringList{unsaved + told.arg(store)});
        // Nothing else was made, and the store is as it was unless the link took its name.
        const bool atTheStore = name == QStringLiteral("Quillane.conf");
        const QStringList left =
            atTheStore ? QStringList{name} : QStringList{QStringLiteral("Quillane.conf"), name};
        QCOMPARE(filesIn(store), left);
        QVERIFY(isLink(link));
        QVERIFY(QFile::remove(link));
        if (!atTheStore) {
            QCOMPARE(readBytes(store + QStringLiteral("/Quillane.conf")), before);
        }
    }
}

void TestFileSafety::workbookFolderSwappedByAnotherUserIsNeverWrittenThrough()
{
    if (!canActAsAnotherUser()) {
        QSKIP("acting as a second user takes root and runuser");
    }
    // The cache folder is the other user's. In the middle of the export they put the program's
    // folder aside, make one open to all in its place, and put a link to a file of the user's
    // at the workbook's name.
    FormFixture f;
    QTemporaryDir dir;
    const QString shared = sharedFolderIn(dir);
    const QString mine = dir.filePath(QStringLiteral("mine.txt"));
    writeBytes(mine, "mine");
    const QString cache = shared + QStringLiteral("/cache");
    QVERIFY(asAnotherUser({QStringLiteral("mkdir"), cache}));
    const QString folder = cache + QStringLiteral("/dialroster");
    fillResults(f.form(), 5000);
    bool swapped = false;
    afterTurns(&f.form(), 200, [&] {
        const QStringList made = QDir(folder).entryList({QStringLiteral("*.xlsx")}, QDir::Files);
        swapped = made.size() == 1 &&
                  asAnotherUser({QStringLiteral("mv"), folder, cache + QStringLiteral("/old")}) &&
                  asAnotherUser({QStringLiteral("mkdir"), QStringLiteral("-m"),
                                 QStringLiteral("0777"), folder}) &&
                  linkAsAnotherUser(mine, folder + QLatin1Char('/') + made.first());
    });
    startSave(f, kSaves[2], folder, QString());

    QCOMPARE(readBytes(mine), QByteArray("mine"));
    // Refused before anything was made: the folder above is not the user's.
    QVERIFY(!swapped);
    QCOMPARE(f.desktop.messages().size(), 1);
    const QString report = f.desktop.messages().first().text;
    QVERIFY2(report.contains(QStringLiteral("The folder %1 is not yours alone: %2 belongs to "
                                            "another user. Nothing is written into it.")
                                 .arg(folder, cache)),
             qPrintable(report));
    QCOMPARE(filesIn(cache), QStringList());
}

void TestFileSafety::relativeXdgFoldersAreIgnored()
{
    // Relative values name no place: the folders below the home folder are used instead.
    QTemporaryDir home;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CACHE_HOME", "relcache");
    qputenv("XDG_CONFIG_HOME", "relconfig");
    const auto restore = qScopeGuard([&] {
        qputenv("HOME", oldHome);
        qunsetenv("XDG_CACHE_HOME");
        qunsetenv("XDG_CONFIG_HOME");
    });
    QCOMPARE(workbookFolder(), home.filePath(QStringLiteral(".cache/dialroster")));
    const SettingsStore store;
    QCOMPARE(store.location(), home.filePath(QStringLiteral(".config/Quillane/Quillane.conf")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("abs"))));
    QCOMPARE(workbookFolder(), home.filePath(QStringLiteral("abs/dialroster")));
}

void TestFileSafety::newFilesKeepToTheUmask()
{
    // Every file the program makes, under two common masks: none gives others more than the mask
    // lets through.
    for (const mode_t mask : {mode_t(022), mode_t(077)}) {
        const mode_t before = ::umask(mask);
        QTemporaryDir dir;
        FormFixture f;
        fillResults(f.form(), 3);
        const auto save = [&](QPushButton *button, const QString &name) {
            f.desktop.fileChoices = {dir.filePath(name)};
            f.click(button);
        };
        save(f.form().PushButton3, QStringLiteral("table.txt"));
        save(f.form().PushButton5, QStringLiteral("lines.txt"));
        const QString workbooks = dir.filePath(QStringLiteral("workbooks"));
        f.desktop.spreadsheets = [&] { return std::make_unique<UnshownWorkbook>(workbooks); };
        f.click(f.form().PushButton13);
        f.form().Text1->setText(QStringLiteral("321"));
        const QString store = f.settingsFolder() + QStringLiteral("/Quillane/Quillane.conf");
        QStringList made = {dir.filePath(QStringLiteral("table.txt")),
                            dir.filePath(QStringLiteral("lines.txt")), workbooks,
                            store + QStringLiteral(".count"), store};
        for (const QString &file : QDir(workbooks).entryList(QDir::Files)) {
            made << workbooks + QLatin1Char('/') + file;
        }
        // The count's file goes at the close, into the store.
        QMap<QString, mode_t> modes;
        const auto look = [&] {
            for (const QString &file : made) {
                struct stat st {};
                if (::stat(QFile::encodeName(file).constData(), &st) == 0) {
                    modes[file] = st.st_mode & 0777;
                }
            }
        };
        look();
        f.form().close();
        look();
        ::umask(before);
        QVERIFY(f.desktop.messages().isEmpty());

        QCOMPARE(modes.size(), 6);
        for (auto m = modes.cbegin(); m != modes.cend(); ++m) {
            QVERIFY2(
                (m.value() & mask) == 0,
                qPrintable(QStringLiteral("%1 has mode %2").arg(m.key()).arg(m.value(), 0, 8)));
        }
        // The workbooks' folder is the user's alone, whatever the mask.
        QCOMPARE(QFileInfo(workbooks).permissions() & 0x0077, QFileDevice::Permissions());
    }
}

void TestFileSafety::oldWorkbooksAreRemovedAtTheNextExport()
{
    QTemporaryDir dir;
    const QDateTime now = QDateTime::currentDateTime();
    const auto workbookAged = [&](const QString &name, qint64 ageSeconds) {
        writeBytes(dir.filePath(name), "x");
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(now.addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    };
    constexpr qint64 kDay = 24 * 3600;
    workbookAged(QStringLiteral("Phone numbers 2026-11-01 10-00-00.xlsx"), 8 * kDay);
    workbookAged(QStringLiteral("Phone numbers 2026-12-01 12-00-00.xlsx"), 7 * kDay - 3600);
    workbookAged(QStringLiteral("Phone numbers 2026-12-08 09-00-00.xlsx"), 60);
    workbookAged(QStringLiteral("someone else's.xlsx"), 30 * kDay);

    // The rule alone, with the cutoff pinned: older than the cutoff goes, the rest stays.
    removeWorkbooksOlderThan(dir.path(), now.addSecs(-7 * kDay - 60));
    QCOMPARE(filesIn(dir.path()).size(), 3);

    // And at the next export, against the clock: a week and a day old is gone, six days and
    // twenty-three hours is not.
    workbookAged(QStringLiteral("Phone numbers 2026-11-02 10-00-00.xlsx"), 8 * kDay);
    FormFixture f;
    fillResults(f.form(), 3);
    startSave(f, kSaves[2], dir.path(), QString());
    QVERIFY(f.desktop.messages().isEmpty());
    const QStringList left = filesIn(dir.path());
    QCOMPARE(left.size(), 4);
    QVERIFY(left.contains(QStringLiteral("Phone numbers 2026-12-01 12-00-00.xlsx")));
    QVERIFY(left.contains(QStringLiteral("Phone numbers 2026-12-08 09-00-00.xlsx")));
    QVERIFY(left.contains(QStringLiteral("someone else's.xlsx")));
}

QTEST_MAIN(TestFileSafety)
#include "test_file_safety.moc"
