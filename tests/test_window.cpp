// The main window as the user sees it, the error report, and "Start Generating" driven through
// the real buttons.
#include "listcontrol/list_view.h"
#include "mainwindow/core/home_page.h"
#include "mainwindow/form1.h"
#include "shell/core/app_title.h"
#include "shell/core/error_trap.h"
#include "shell/core/file_dialog.h"
#include "shell/qt_desktop.h"
#include "support/form_fixture.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void controlsAndTexts();
    void layoutInTwips();
    void listsHaveOneColumnEach();
    void applicationTitle();
    void homePageChanceAtStartUp();
    void emptyPrefixListIsReported();
    void generatesDistinctNumbersOfTheSampleForms();
    void prefixesAreDrawnEvenly();
    void resultsStartChecked();
    void generatingAgainReplaces();
    void countBoxCases_data();
    void countBoxCases();
    void lettersInCountBoxAreReported();
    void requestBeyondCapacityIsRefused();
    void fullCapacityFinishes();
    void prefixListEmptiedDuringRun();
    void resultListChangedDuringRunGetsNoDuplicates();
    void busyPointerDuringRun();
    void saveDialogTakesTheNameAsTyped();
    void fileDialogInAFolderThatNeverAnswers();
    void everyStepThatAsksTheDesktopReportsItsNumber();
};

void TestWindow::controlsAndTexts()
{
    FormFixture f;
    Form1 &w = f.form();
    QCOMPARE(w.windowTitle(), QStringLiteral("Brindlemoor Dial Roster Maker Studio Suite"));
    const QStringList captions = {"Add Prefix",
                                  "Start Generating",
                                  "Save Results As Text File",
                                  "Load Default Area Code Prefixes",
                                  "Save Prefixes To File",
                                  "Clear All Prefixes",
                                  "Clear List",
                                  "Copy Results To Clipboard",
                                  "Delete Selected Prefix",
                                  "Load Prefixes From File",
                                  "Load Sample Example Prefixes",
                                  "<- ?",
                                  "Save Results As Excel File",
                                  "Help"};
    const auto buttons = w.pushButtons();
    QCOMPARE(buttons.size(), 14);
    for (int i = 0; i < 14; ++i) {
        QCOMPARE(buttons[i]->text(), captions[i]);
        QCOMPARE(buttons[i]->font().family(), QStringLiteral("Arial"));
        QCOMPARE(buttons[i]->font().pointSizeF(), 11.25);
        QVERIFY(buttons[i]->font().bold());
    }
    QCOMPARE(w.Frame2->title(), QStringLiteral("Number Of Phone Numbers To Generate"));
    QCOMPARE(w.Text1->text(), QStringLiteral("200"));
    QCOMPARE(w.Text1->parentWidget(), w.Frame2);
    QCOMPARE(w.ProgressBar1->value(), 0);
    QCOMPARE(w.ProgressBar1->text(), QStringLiteral("Progress Bar"));
    QCOMPARE(w.listView1Widget->font().pointSizeF(), 9.0);
    QVERIFY(w.font().bold());
}

void TestWindow::layoutInTwips()
{
    FormFixture f;
    Form1 &w = f.form();
    QCOMPARE(w.size(), QSize(1064, 376));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    auto px = [](int l, int t, int wd, int h) {
        return QRect(twipsToPixels(l), twipsToPixels(t), twipsToPixels(wd), twipsToPixels(h));
    };
    QCOMPARE(w.listView1Widget->geometry(), px(120, 120, 7800, 2535));
    QCOMPARE(w.PushButton1->geometry(), px(120, 2750, 3840, 405));
    QCOMPARE(w.PushButton9->geometry(), px(4080, 2750, 3840, 405));
    QCOMPARE(w.PushButton12->geometry(), px(3360, 3770, 600, 405));
    QCOMPARE(w.PushButton10->geometry(), px(120, 3770, 3120, 405));
    QCOMPARE(w.Frame2->geometry(), px(120, 4740, 7800, 795));
    QCOMPARE(w.Text1->geometry(), px(240, 300, 7335, 330));
    QCOMPARE(w.PushButton2->geometry(), px(8040, 120, 7800, 405));
    QCOMPARE(w.listView2Widget->geometry(), px(8040, 630, 7800, 3375));
    QCOMPARE(w.PushButton13->geometry(), px(12000, 4095, 3840, 405));
    QCOMPARE(w.PushButton7->geometry(), px(12000, 4605, 3840, 405));
    QCOMPARE(w.ProgressBar1->geometry(), px(8040, 5115, 7800, 405));
}

void TestWindow::listsHaveOneColumnEach()
{
    FormFixture f;
    Form1 &w = f.form();
    QCOMPARE(w.ListView1.columns(), 1);
    QCOMPARE(w.ListView1.header(1), QStringLiteral("Phone Number Prefixes"));
    QCOMPARE(w.ListView1.columnWidth(1), 7000);
    QCOMPARE(w.ListView2.columns(), 1);
    QCOMPARE(w.ListView2.header(1),
             QStringLiteral("Result/s - No duplicates will be added to this list"));
    QCOMPARE(w.listView1Widget->columnWidth(0), twipsToPixels(7000));
    QCOMPARE(w.listView2Widget->model()->headerData(0, Qt::Horizontal).toString(),
             QStringLiteral("Result/s - No duplicates will be added to this list"));
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestWindow::applicationTitle()
{
    // The title of a box that is given none of its own (the shortening itself is in the shell
    // core's tests).
    FormFixture f;
    f.click(f.form().PushButton2);  // empty prefix list: a box with the application title
    QCOMPARE(f.desktop.messages().first().title,
             QStringLiteral("Brindlemoor Dial Roster Maker Studio"));
}

void TestWindow::homePageChanceAtStartUp()
{
    for (const int x : {7, 8}) {
        FormFixture f(false);
        QList<int> asked;
        auto w = std::make_unique<Form1>(FormServices{f.desktop, f.random, [&](int n) {
                                                          asked << n;
                                                          return double(x);
                                                      }});
        w->Form_Load();
        QCOMPARE(asked, QList<int>{100});
        QCOMPARE(f.desktop.urls, x == 7
                                     ? QStringList{QStringLiteral("https://www.quillane.example/")}
                                     : QStringList{});
        QVERIFY(f.desktop.messages().isEmpty());
    }
}

void TestWindow::emptyPrefixListIsReported()
{
    FormFixture f;
    Form1 &w = f.form();
    w.ListView2.add(QStringLiteral("717-555-0000"));
    w.ProgressBar1->setPercent(40);
    f.click(w.PushButton2);
    QCOMPARE(f.desktop.messages().size(), 1);
    const auto box = f.desktop.messages().first();
    QCOMPARE(box.text, QStringLiteral("No IP Addresses added."));
    QCOMPARE(box.icon, MessageIcon::None);
    QCOMPARE(box.buttons, MessageButtons::Ok);
    QCOMPARE(f.results(), QStringList{"717-555-0000"});
    QCOMPARE(w.ProgressBar1->value(), 40);
    QCOMPARE(w.MousePointer(), int(kPointerDefault));
}

void TestWindow::generatesDistinctNumbersOfTheSampleForms()
{
    FormFixture f;
    Form1 &w = f.form();
    f.addPrefixes({"603-43", "800-281-2", "717"});
    w.Text1->setText(QStringLiteral("2000"));
    f.click(w.PushButton2);
    const QStringList results = f.results();
    QCOMPARE(results.size(), 2000);
    QCOMPARE(QSet<QString>(results.begin(), results.end()).size(), 2000);
    const QRegularExpression forms(
        QStringLiteral("^(717-\\d{3}-\\d{4}|603-43\\d-\\d{4}|800-281-2\\d{3})$"));
    for (const QString &n : results) {
        QVERIFY2(forms.match(n).hasMatch(), qPrintable(n));
    }
    QCOMPARE(w.ProgressBar1->value(), 0);
    QCOMPARE(w.ProgressBar1->text(), QStringLiteral("Progress Bar"));
    QCOMPARE(w.MousePointer(), int(kPointerDefault));
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestWindow::prefixesAreDrawnEvenly()
{
    // Prefixes with room for millions of numbers, so that hardly a draw is thrown away as a
    // duplicate: a prefix listed twice then gives twice as many numbers.
    FormFixture f;
    f.addPrefixes({"212", "717", "212"});
    f.form().Text1->setText(QStringLiteral("3000"));
    f.click(f.form().PushButton2);
    const QStringList results = f.results();
    QCOMPARE(results.size(), 3000);
    const auto from212 = std::count_if(results.begin(), results.end(),
                                       [](const QString &n) { return n.startsWith("212-"); });
    QVERIFY2(from212 > 1850 && from212 < 2150, qPrintable(QString::number(from212)));
}

void TestWindow::resultsStartChecked()
{
    FormFixture f;
    f.addPrefixes({"717"});
    f.form().Text1->setText(QStringLiteral("3"));
    f.click(f.form().PushButton2);
    QCoreApplication::processEvents();
    for (int i = 1; i <= 3; ++i) {
        QVERIFY(f.form().ListView2.checked(i));
    }
    QCOMPARE(f.form().ListView2.data(f.form().ListView2.index(0, 0), Qt::CheckStateRole).toInt(),
             int(Qt::Checked));
    QVERIFY(!f.form().ListView1.isCheckable());
}

void TestWindow::generatingAgainReplaces()
{
    FormFixture f;
    f.addPrefixes({"717"});
    f.form().Text1->setText(QStringLiteral("50"));
    f.click(f.form().PushButton2);
    const QStringList first = f.results();
    f.click(f.form().PushButton2);
    QCOMPARE(f.results().size(), 50);
    QVERIFY(f.results() != first);

    // A second click while a run is going (a double-click): the later run takes over, and the
    // earlier one ends without a word instead of adding its own count after it.
    f.form().Text1->setText(QStringLiteral("5000"));
    afterTurns(&f.form(), 10, [&] { f.click(f.form().PushButton2); });
    f.click(f.form().PushButton2);
    const QStringList results = f.results();
    QCOMPARE(results.size(), 5000);
    QCOMPARE(QSet<QString>(results.begin(), results.end()).size(), 5000);
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(f.form().ProgressBar1->value(), 0);
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestWindow::countBoxCases_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-3" << 0;
    QTest::newRow("fraction rounds to even") << "2.5" << 2;
    QTest::newRow("blanks") << "  4 " << 4;
}

void TestWindow::countBoxCases()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    FormFixture f;
    f.addPrefixes({"717"});
    f.form().ListView2.add(QStringLiteral("old"));
    f.form().Text1->setText(text);
    f.click(f.form().PushButton2);
    QCOMPARE(f.results().size(), expected);
    QVERIFY(f.desktop.messages().isEmpty());
    QCOMPARE(f.form().ProgressBar1->text(), QStringLiteral("Progress Bar"));
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestWindow::lettersInCountBoxAreReported()
{
    for (const QString &text : {QStringLiteral("abc"), QStringLiteral("99999999999")}) {
        FormFixture f;
        f.addPrefixes({"717"});
        f.form().ListView2.add(QStringLiteral("old"));
        f.form().Text1->setText(text);
        f.click(f.form().PushButton2);
        QCOMPARE(f.desktop.messages().size(), 1);
        const auto box = f.desktop.messages().first();
        QCOMPARE(box.title, QStringLiteral("Application Error"));
        QVERIFY(box.text.contains(
            QStringLiteral("\r\nin Dialforge2017/04/05.Form1.PushButton2_Click at line 106\r\r")));
        QVERIFY(f.results().isEmpty());
        QCOMPARE(f.form().ProgressBar1->value(), 0);
        QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
    }
}

void TestWindow::requestBeyondCapacityIsRefused()
{
    FormFixture f;
    f.addPrefixes({"800-281-2", "800-281-2", "800-281-23"});
    f.form().ListView2.add(QStringLiteral("kept"));
    f.form().Text1->setText(QStringLiteral("1001"));
    f.click(f.form().PushButton2);
    QCOMPARE(f.desktop.messages().size(), 1);
    QVERIFY(f.desktop.messages().first().text.contains(QStringLiteral("at most 1000")));
    QCOMPARE(f.results(), QStringList{"kept"});
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));

    // An empty prefix can give ten billion numbers, but a run makes at most fifty million.
    f.addPrefixes({""});
    f.form().Text1->setText(QStringLiteral("50000001"));
    f.click(f.form().PushButton2);
    QCOMPARE(f.desktop.messages().size(), 2);
    QVERIFY(f.desktop.messages().last().text.startsWith(QStringLiteral("At most 50,000,000")));
    QCOMPARE(f.results(), QStringList{"kept"});
}

void TestWindow::fullCapacityFinishes()
{
    FormFixture f;
    f.addPrefixes({"603-431-2", "6034312345"});
    f.form().Text1->setText(QStringLiteral("1000"));
    f.click(f.form().PushButton2);
    QCOMPARE(f.results().size(), 1000);
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestWindow::prefixListEmptiedDuringRun()
{
    FormFixture f;
    f.addPrefixes({"717"});
    f.form().Text1->setText(QStringLiteral("5000000"));
    // A prefix added first: the run hears of that change, reads the list again, and then hears
    // of the next one too.
    afterTurns(&f.form(), 10, [&] { f.form().ListView1.add(QStringLiteral("603-43")); });
    afterTurns(&f.form(), 20, [&] { f.form().ListView1.clear(); });
    f.click(f.form().PushButton2);
    QCOMPARE(f.desktop.messages().size(), 1);
    QVERIFY(f.desktop.messages().first().text.contains(QStringLiteral("prefix list was emptied")));
    QVERIFY(f.results().size() < 5000000);
    QCOMPARE(f.form().ProgressBar1->value(), 0);
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestWindow::resultListChangedDuringRunGetsNoDuplicates()
{
    FormFixture f;
    f.addPrefixes({"800-281-2"});
    f.form().Text1->setText(QStringLiteral("1000"));
    // Clear once, after a few hundred numbers: the run goes on and adds 1000 in all.
    int clearedAt = -1;
    afterTurns(&f.form(), 5, [&] {
        clearedAt = f.form().ListView2.count();
        f.form().ListView2.clear();
    });
    f.click(f.form().PushButton2);
    QVERIFY2(clearedAt > 0 && clearedAt < 1000, qPrintable(QString::number(clearedAt)));
    const QStringList results = f.results();
    QCOMPARE(QSet<QString>(results.begin(), results.end()).size(), results.size());
    QCOMPARE(results.size(), 1000 - clearedAt);
    QVERIFY(f.desktop.messages().isEmpty());

    // Entries that another action appends during a run are numbers the run does not make again:
    // 300 of the prefix's 1,000 numbers, appended after a few batches of a run of 400.
    f.form().Text1->setText(QStringLiteral("400"));
    QStringList appended;
    afterTurns(&f.form(), 3, [&] {
        const QStringList made = f.results();
        for (int i = 0; appended.size() < 300; ++i) {
            const QString number = QStringLiteral("800-281-2%1").arg(i, 3, 10, QLatin1Char('0'));
            if (!made.contains(number)) {
                appended << number;
                f.form().ListView2.add(number);
            }
        }
    });
    f.click(f.form().PushButton2);
    QCOMPARE(appended.size(), 300);
    const QStringList all = f.results();
    QCOMPARE(all.size(), 700);
    QCOMPARE(QSet<QString>(all.begin(), all.end()).size(), 700);
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestWindow::busyPointerDuringRun()
{
    FormFixture f;
    f.addPrefixes({"717"});
    f.form().Text1->setText(QStringLiteral("300000"));
    int pointerSeen = -1;
    afterTurns(&f.form(), 3, [&] { pointerSeen = f.form().MousePointer(); });
    f.click(f.form().PushButton2);
    QCOMPARE(pointerSeen, int(kPointerBusy));
    QCOMPARE(f.form().MousePointer(), int(kPointerDefault));
}

void TestWindow::saveDialogTakesTheNameAsTyped()
{
    // What the save commands set on the shared dialog, as the real desktop shows it.
    FileDialogState state;
    state.fileName = QStringLiteral("/tmp/roster");
    state.title = QStringLiteral("Save");
    state.flags = kFileDialogFlags;
    state.filter = kFileDialogFilter;
    const std::unique_ptr<QFileDialog> box = makeSaveDialog(nullptr, state);
    QCOMPARE(box->windowTitle(), QStringLiteral("Save"));
    QCOMPARE(box->acceptMode(), QFileDialog::AcceptSave);
    // A name typed without an extension is used as typed, and replaced without a question.
    QCOMPARE(box->defaultSuffix(), QString());
    QVERIFY(box->testOption(QFileDialog::DontUseNativeDialog));
    QVERIFY(box->testOption(QFileDialog::DontConfirmOverwrite));
    QCOMPARE(box->nameFilters(), (QStringList{"Text Files (*.txt)", "All Files (*.*)"}));
}

// A save that failed in /proc leaves the shared dialog there. Its files answer a stat but may
// never answer a read (/proc/kmsg waits for the next kernel message): the dialog lists them,
// completes a name typed there and closes, and the window takes its events throughout.
void TestWindow::fileDialogInAFolderThatNeverAnswers()
{
#ifdef Q_OS_WIN
    QSKIP("/proc is Linux's");
#endif
    if (!QFileInfo(QStringLiteral("/proc/kmsg")).isReadable()) {
        QSKIP("only root can read /proc/kmsg");
    }
    FileDialogState state;
    state.fileName = QStringLiteral("/proc/x.txt");
    state.title = QStringLiteral("Save");
    state.flags = kFileDialogFlags;
    state.filter = kFileDialogFilter;
    std::unique_ptr<QFileDialog> box = makeSaveDialog(nullptr, state);
    auto *model = box->findChild<QFileSystemModel *>();
    QVERIFY(model);
    QSignalSpy loaded(model, &QFileSystemModel::directoryLoaded);
    box->setNameFilter(QStringLiteral("All (*)"));  // so that the list shows every file
    box->show();
    QTest::keyClicks(box->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")), "/proc/km");
    QVERIFY(QTest::qWaitFor([&] { return loaded.contains({QStringLiteral("/proc")}); }));
    QModelIndex kmsg;
    QVERIFY(QTest::qWaitFor([&] {
        kmsg = model->index(QStringLiteral("/proc/kmsg"));
        return kmsg.isValid() && !model->type(kmsg).isEmpty();
    }));
    // What the list and the completion list ask of a row they show.
    model->data(kmsg, Qt::DecorationRole);
    model->data(kmsg.siblingAtColumn(2), Qt::DisplayRole);
    bool answered = false;
    QTimer::singleShot(0, box.get(), [&] { answered = true; });
    QVERIFY(QTest::qWaitFor([&] { return answered; }));
    box.reset();  // waits for the dialog's reader of file details
}

// Each handler's steps that ask the desktop (a box, a prompt, a dialog, the clipboard), with a
// desktop that fails them all: the numbers the user reads in the error boxes, handler by handler.
void TestWindow::everyStepThatAsksTheDesktopReportsItsNumber()
{
    QTemporaryDir dir;
    const QString there = dir.filePath(QStringLiteral("there.txt"));
    QFile(there).open(QIODevice::WriteOnly);
    const QList<std::pair<QPushButton * Form1::*, QList<int>>> cases = {
        {&Form1::PushButton1, {100}},  {&Form1::PushButton2, {162}},  {&Form1::PushButton3, {112}},
        {&Form1::PushButton4, {102}},  {&Form1::PushButton5, {114}},  {&Form1::PushButton8, {106}},
        {&Form1::PushButton10, {108}}, {&Form1::PushButton12, {100}}, {&Form1::PushButton13, {178}},
        {&Form1::PushButton14, {100}},
    };
    for (const auto &[button, expected] : cases) {
        FormFixture f;
        f.form().ListView2.add(QStringLiteral("717-555-0100"));
        f.desktop.failing = {"message", "input", "open", "save", "clipboard"};
        f.click(f.form().*button);
        QList<int> steps;
        for (const auto &box : f.desktop.messages()) {
            if (box.title == QLatin1String("Application Error")) {
                const qsizetype at = box.text.indexOf(QStringLiteral(" at line "));
                steps << box.text.mid(at + 9, 3).toInt();
            }
        }
        QCOMPARE(steps, expected);
    }
    // The steps a chosen name reaches: the overwrite question of "Save Prefixes To File", and a
    // missing file to load, alone and among several.
    const QString gone = QStringLiteral("gone.txt");
    const QList<std::tuple<QPushButton * Form1::*, QString, int>> named = {
        {&Form1::PushButton5, there, 122},
        {&Form1::PushButton10, dir.filePath(gone), 120},
        {&Form1::PushButton10, dir.path() + QChar(0) + gone, 134},
    };
    for (const auto &[button, choice, step] : named) {
        FormFixture f;
        f.desktop.fileChoices = {choice};
        f.desktop.failing = {"message"};
        f.click(f.form().*button);
        const QString report = f.desktop.messages().last().text;
        QVERIFY2(report.contains(QStringLiteral(" at line %1\r\r").arg(step)), qPrintable(report));
    }
}

QTEST_MAIN(TestWindow)
#include "test_window.moc"
