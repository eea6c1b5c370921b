// The spreadsheet export: the real workbook file, read back by an independent reader.
#include "output/core/sheet_fill.h"
#include "output/core/xlsx_spreadsheet.h"
#include "shell/core/failure.h"
#include "shell/core/yield.h"
#include "shell/qt_desktop.h"
#include "support/file_bytes.h"
#include "support/form_fixture.h"

#include <sys/stat.h>
#ifdef Q_OS_WIN
#include <windows.h>
// The access lists need the declarations above.
#include <aclapi.h>
#include <sddl.h>
#include <string>
#include <vector>
#endif

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestSpreadsheet : public QObject {
    Q_OBJECT
private slots:
    void absentProgramGivesTwoMessages();
    void emptyListShowsNothing();
    void checkedRowsBelowTheHeader();
    void headerAndCellRulesForTwoColumns();
    void failingWorkbookIsReportedOnce();
    void tooManyRowsAreRefused();
    void listClearedDuringExportIsNotMixed();
    void workbookReadsBackAsStrings();
    void cellsBeforeTheWorkbookFail();
    void workbookFolderIsTheUsersAlone();
    void probeTakesEventsWhileTheDesktopAnswers();
};

namespace {

// Records the conversation with the spreadsheet program as lines of text.
class RecordingSpreadsheet : public Spreadsheet {
public:
    RecordingSpreadsheet(QStringList &log, int failAtCell = 0) : log_(log), failAt_(failAtCell) {}
    void addWorkbook() override { log_ << QStringLiteral("workbook"); }
    void setCell(int row, int column, const QString &text) override
    {
        if (++cells_ == failAt_) {
            throw Failure(QStringLiteral("Disk full"));
        }
        log_ << QStringLiteral("%1,%2=%3").arg(row).arg(column).arg(text);
    }
    void autofitColumns() override { log_ << QStringLiteral("autofit"); }
    void makeVisible() override { log_ << QStringLiteral("visible"); }

private:
    QStringList &log_;
    int failAt_;
    int cells_ = 0;
};

const QString kHeader = QStringLiteral("Result/s - No duplicates will be added to this list");

void useRecorder(FormFixture &f, QStringList &log, int failAtCell = 0)
{
    f.desktop.spreadsheets = [&log, failAtCell] {
        log << QStringLiteral("create");
        return std::make_unique<RecordingSpreadsheet>(log, failAtCell);
    };
}

// Cell values as "A1=text|type" lines, and column A's width, as openpyxl reads them.
QString readBack(const QString &path)
{
    const QString script = QStringLiteral(
        "import sys, openpyxl\n"
        "ws = openpyxl.load_workbook(sys.argv[1]).active\n"
        "for row in ws.iter_rows():\n"
        "    for c in row:\n"
        "        if c.value is not None:\n"
        "            print(f'{c.coordinate}={c.value}|{c.data_type}')\n"
        "print('width', round(ws.column_dimensions['A'].width or 0))\n"
        "print('rows', ws.max_row)\n");
    QProcess python;
    // Debian's own interpreter: that is where python3-openpyxl installs.
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        return QStringLiteral("reader failed: ") + QString::fromUtf8(python.readAllStandardError());
    }
    return QString::fromUtf8(python.readAllStandardOutput());
}

#ifdef Q_OS_WIN
// The user this test runs as, as a SID string.
std::wstring userSid()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    GetTokenInformation(token, TokenUser, user.data(), size, &size);
    CloseHandle(token);
    wchar_t *text = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid, &text);
    const std::wstring sid = text;
    LocalFree(text);
    return sid;
}
#endif

// Lets other users read the folder, as a mode of 0755 does, and says how the refusal names it.
QString letOthersRead(const QString &folder)
{
#ifdef Q_OS_WIN
    const std::wstring sddl = L"D:P(A;OICI;FA;;;" + userSid() + L")(A;OICI;FR;;;WD)";
    PSECURITY_DESCRIPTOR security = nullptr;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    std::wstring path = QDir::toNativeSeparators(folder).toStdWString();
    const bool done =
        ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                             &security, nullptr) &&
        GetSecurityDescriptorDacl(security, &present, &dacl, &defaulted) &&
        SetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
    LocalFree(security);
    return done ? QStringLiteral("its access list lets in Everyone") : QString();
#else
    return QFile::setPermissions(folder, QFileDevice::Permissions(0x7755))
               ? QStringLiteral("its mode is 0755")
               : QString();
#endif
}

// Whether anyone but the user (and the system) may reach the folder.
bool othersCanReach(const QString &folder)
{
#ifdef Q_OS_WIN
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    std::wstring path = QDir::toNativeSeparators(folder).toStdWString();
    if (GetNamedSecurityInfoW(path.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &security) != ERROR_SUCCESS) {
        return true;
    }
    bool others = dacl == nullptr;
    PSID me = nullptr;
    ConvertStringSidToSidW(userSid().c_str(), &me);
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void *entry = nullptr;
        GetAce(dacl, i, &entry);
        const auto *allowed = static_cast<ACCESS_ALLOWED_ACE *>(entry);
        PSID sid = const_cast<DWORD *>(&allowed->SidStart);
        if (allowed->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            (allowed->Header.AceFlags & INHERIT_ONLY_ACE) == 0 && !EqualSid(sid, me) &&
            !IsWellKnownSid(sid, WinLocalSystemSid)) {
            others = true;
        }
    }
    LocalFree(me);
    LocalFree(security);
    return others;
#else
    return (QFileInfo(folder).permissions() & QFileDevice::Permissions(0x0077)) !=
           QFileDevice::Permissions();
#endif
}

}  // namespace

void TestSpreadsheet::absentProgramGivesTwoMessages()
{
    FormFixture f;
    f.form().ListView2.add(QStringLiteral("717-555-0100"));
    f.click(f.form().PushButton13);
    const auto boxes = f.desktop.messages();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0].text,
             QStringLiteral("Excel is not installed on this computer. You need to "
                            "have it installed to use this software without error."));
    QCOMPARE(boxes[1].text, QStringLiteral("Excel is not installed on this computer. You need to "
                                           "have it installed to use this feature."));
    for (const auto &box : boxes) {
        QCOMPARE(box.title, QStringLiteral("Brindlemoor Dial Roster Maker Studio"));
        QCOMPARE(box.icon, MessageIcon::None);
        QCOMPARE(box.buttons, MessageButtons::Ok);
    }
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestSpreadsheet::emptyListShowsNothing()
{
    FormFixture f;
    QStringList log;
    useRecorder(f, log);
    f.click(f.form().PushButton13);
    QCOMPARE(log, QStringList());  // the probe asks the desktop and makes no workbook
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestSpreadsheet::checkedRowsBelowTheHeader()
{
    FormFixture f;
    QStringList log;
    useRecorder(f, log);
    ListModel &results = f.form().ListView2;
    for (int i = 1; i <= 5; ++i) {
        results.add(QStringLiteral("717-555-010%1").arg(i));
        results.setChecked(i, i == 2 || i == 4);
    }
    f.click(f.form().PushButton13);
    QCOMPARE(log, (QStringList{"create", "workbook", "1,1=" + kHeader, "3,1=717-555-0102",
                               "5,1=717-555-0104", "autofit", "visible"}));
    // Asked once per click.
    QCOMPARE(f.desktop.calls.first().kind, QStringLiteral("spreadsheet probe"));
    QCOMPARE(f.desktop.calls.count(), 2);
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));

    // None checked: the header alone, and the workbook is still shown.
    log.clear();
    for (int i = 1; i <= 5; ++i) {
        results.setChecked(i, false);
    }
    f.click(f.form().PushButton13);
    QCOMPARE(log, (QStringList{"create", "workbook", "1,1=" + kHeader, "autofit", "visible"}));
}

void TestSpreadsheet::headerAndCellRulesForTwoColumns()
{
    FormFixture f;
    QStringList log;
    useRecorder(f, log);
    ListModel &results = f.form().ListView2;
    results.addColumn(QStringLiteral("Second"), 1000);
    results.add(QStringLiteral("a=b"));  // item 1: empty second cell, so no second header
    results.add(QString());
    results.setSubItem(2, 1, QStringLiteral("x"));
    results.add(QStringLiteral("n"));
    results.setSubItem(3, 1, QStringLiteral("p=q=r"));
    f.click(f.form().PushButton13);
    QCOMPARE(log, (QStringList{"create", "workbook", "1,1=" + kHeader, "2,1=a=b", "3,1=x", "4,1=n",
                               "4,2=pqr", "autofit", "visible"}));
}

void TestSpreadsheet::failingWorkbookIsReportedOnce()
{
    FormFixture f;
    QStringList log;
    useRecorder(f, log, 3);
    for (int i = 0; i < 100; ++i) {
        f.form().ListView2.add(QStringLiteral("717-555-%1").arg(1000 + i));
    }
    f.click(f.form().PushButton13);
    const auto boxes = f.desktop.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].title, QStringLiteral("Application Error"));
    QVERIFY(boxes[0].text.startsWith(QStringLiteral(
        "Disk full\r\nin Dialforge2017/04/05.Form1.PushButton13_Click at line 156\r\r")));
    QVERIFY(!log.contains(QStringLiteral("visible")));
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestSpreadsheet::tooManyRowsAreRefused()
{
    FormFixture f;
    QStringList log;
    useRecorder(f, log);
    for (int i = 0; i <= kMaxSheetEntries; ++i) {
        f.form().ListView2.add(QStringLiteral("x"));
    }
    f.click(f.form().PushButton13);
    QCOMPARE(f.desktop.messages().size(), 1);
    QVERIFY(f.desktop.messages()[0].text.contains(QStringLiteral("text file")));
    QCOMPARE(log, QStringList());
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestSpreadsheet::listClearedDuringExportIsNotMixed()
{
    FormFixture f;
    QStringList log;
    useRecorder(f, log);
    for (int i = 0; i < 3000; ++i) {
        f.form().ListView2.add(QStringLiteral("717-555-%1").arg(i, 4, 10, QLatin1Char('0')));
    }
    QCoreApplication::processEvents();
    QTimer::singleShot(0, &f.form(), [&] { f.form().ListView2.clear(); });
    f.click(f.form().PushButton13);
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(log.size(), 3000 + 5);
    QCOMPARE(log.last(), QStringLiteral("visible"));
    QCOMPARE(log[log.size() - 3], QStringLiteral("3001,1=717-555-2999"));
}

void TestSpreadsheet::workbookReadsBackAsStrings()
{
    if (!QFile::exists(QStringLiteral("/usr/bin/python3"))) {
        QSKIP("python3 with openpyxl is installed by the setup script");
    }
    QTemporaryDir dir;
    XlsxSpreadsheet sheet(dir.path() + QStringLiteral("/made"));
    sheet.addWorkbook();
    sheet.setCell(1, 1, QStringLiteral("Result/s - No duplicates will be added to this list"));
    sheet.setCell(2, 1, QStringLiteral("717-555-0100"));
    sheet.setCell(4, 1, QStringLiteral("=1+1"));
    sheet.setCell(5, 1, QStringLiteral("+12"));
    sheet.setCell(5, 2, QStringLiteral("@SUM(A1)"));
    sheet.setCell(6, 1, QStringLiteral("-5"));
    // A cell cannot hold a NUL: the rest of the entry is kept.
    sheet.setCell(7, 1,
                  QString::fromUtf8("717\0-555-01\0"
                                    "02",
                                    14));
    sheet.autofitColumns();
    sheet.finish();
    // Only the finished workbook is left in the folder, no temporary files.
    const QDir made(dir.path() + QStringLiteral("/made"));
    const QStringList files = made.entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    QVERIFY(files[0].startsWith(QStringLiteral("Phone numbers ")));
    QVERIFY(files[0].endsWith(QStringLiteral(".xlsx")));

    const QString lines = readBack(made.filePath(files[0]));
    QCOMPARE(lines, QStringLiteral("A1=Result/s - No duplicates will be added to this list|s\n"
                                   "A2=717-555-0100|s\n"
                                   "A4==1+1|s\n"
                                   "A5=+12|s\n"
                                   "B5=@SUM(A1)|s\n"
                                   "A6=-5|s\n"
                                   "A7=717-555-0102|s\n"
                                   "width 58\n"
                                   "rows 7\n"));
}

void TestSpreadsheet::cellsBeforeTheWorkbookFail()
{
    QTemporaryDir dir;
    XlsxSpreadsheet sheet(dir.path());
    QVERIFY_THROWS_EXCEPTION(Failure, sheet.setCell(1, 1, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(Failure, sheet.autofitColumns());
    QVERIFY_THROWS_EXCEPTION(Failure, sheet.makeVisible());
}

void TestSpreadsheet::workbookFolderIsTheUsersAlone()
{
    QTemporaryDir dir;
    QFile blocker(dir.path() + QStringLiteral("/file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A folder inside a plain file can never be made, not even by root.
    XlsxSpreadsheet inFile(blocker.fileName() + QStringLiteral("/sub"));
    QVERIFY_THROWS_EXCEPTION(Failure, inFile.addWorkbook());

    // A folder of the user's that others may read is refused, and nothing is written into it;
    // one that is not there yet is made for the user alone.
    const QString open = dir.filePath(QStringLiteral("open"));
    QVERIFY(QDir().mkdir(open));
    const QString opened = letOthersRead(open);
    QVERIFY(!opened.isEmpty());
    XlsxSpreadsheet shared(open);
    try {
        shared.addWorkbook();
        QFAIL("a folder others can read was taken");
    } catch (const Failure &failure) {
        QCOMPARE(QString::fromUtf8(failure.what()),
                 QStringLiteral("The folder %1 is not yours alone: other users can reach it (%2). "
                                "Nothing is written into it.")
                     .arg(QDir::toNativeSeparators(open), opened));
    }
    QCOMPARE(QDir(open).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    const QString fresh = dir.filePath(QStringLiteral("fresh/workbooks"));
    XlsxSpreadsheet made(fresh);
    made.addWorkbook();
    QVERIFY(!othersCanReach(fresh));
}

void TestSpreadsheet::probeTakesEventsWhileTheDesktopAnswers()
{
#ifndef Q_OS_LINUX
    QSKIP("the desktop is asked through xdg-mime on Linux only");
#else
    // A desktop database that answers only after the window has taken an event meanwhile.
    QTemporaryDir bin;
    const QString answer = bin.filePath(QStringLiteral("answer"));
    QCOMPARE(mkfifo(QFile::encodeName(answer).constData(), 0600), 0);
    writeBytes(bin.filePath(QStringLiteral("xdg-mime")), "#!/bin/sh\nread program < '" +
                                                             QFile::encodeName(answer) +
                                                             "'\nprintf '%s\\n' \"$program\"\n");
    QVERIFY(QFile::setPermissions(bin.filePath(QStringLiteral("xdg-mime")),
                                  QFileDevice::Permissions(0x7700)));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    const auto restore = qScopeGuard([&] { qputenv("PATH", path); });

    FormFixture f;
    QtDesktop desktop;
    for (const auto &[program, available] :
         {std::pair{QByteArray("calc.desktop"), true}, std::pair{QByteArray(), false}}) {
        bool eventTaken = false;
        afterTurns(&f.form(), 1, [&, program = program] {
            eventTaken = true;
            writeBytes(answer, program + '\n');  // waits for the reader
        });
        bool answered = !available;
        f.form().runHandler([&] { answered = desktop.hasSpreadsheetProgram(); });
        QCOMPARE(answered, available);
        QVERIFY(eventTaken);
    }

    // A close while the desktop is still answering ends the script and what it started.
    const QString started = bin.filePath(QStringLiteral("started"));
    writeBytes(bin.filePath(QStringLiteral("xdg-mime")),
               "#!/bin/sh\nsleep 300 &\necho $! > '" + QFile::encodeName(started) + ".new'\nmv '" +
                   QFile::encodeName(started) + ".new' '" + QFile::encodeName(started) +
                   "'\nwait\n");
    QVERIFY(QFile::setPermissions(bin.filePath(QStringLiteral("xdg-mime")),
                                  QFileDevice::Permissions(0x7700)));
    std::function<void()> closeOnceStarted = [&] {
        if (QFile::exists(started)) {
            f.form().close();
        } else {
            afterTurns(&f.form(), 1, closeOnceStarted);
        }
    };
    afterTurns(&f.form(), 1, closeOnceStarted);
    f.form().runHandler([&] { desktop.hasSpreadsheetProgram(); });
    QVERIFY(QFile::exists(started));
    // Gone, or a zombie that nobody reaped yet.
    const QString stat = QStringLiteral("/proc/%1/stat").arg(QString(readBytes(started).trimmed()));
    const auto running = [&] {
        QFile file(stat);
        return file.open(QIODevice::ReadOnly) && !file.readAll().contains(") Z ");
    };
    QTRY_VERIFY_WITH_TIMEOUT(!running(), 10000);
#endif
}

QTEST_MAIN(TestSpreadsheet)
#include "test_spreadsheet.moc"
