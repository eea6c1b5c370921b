// The skin, the hand pointer over the buttons, and the help message, on the real window.
#include "generator/core/generation_run.h"
#include "listcontrol/list_view.h"
#include "mainwindow/form1.h"
#include "shell/core/failure.h"
#include "shell/core/pointer_state.h"
#include "shell/cursor_file.h"
#include "shell/help.h"
#include "shell/skin.h"
#include "support/file_bytes.h"
#include "support/form_fixture.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QtTest>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_DARWIN)
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Records the calls the window makes, in order, and what the window looked like at the load.
class RecordingSkin : public SkinComponent {
public:
    mutable QStringList calls;
    int storedOptions = 6;
    bool failLoad = false;
    QColor windowColourAtLoad;
    QWidget *window = nullptr;

    void load(const QString &path, const QString &variant) override
    {
        calls << QStringLiteral("load %1 [%2]").arg(path, variant);
        if (window) {
            windowColourAtLoad = window->palette().color(QPalette::Window);
        }
        if (failLoad) {
            throw Failure(QStringLiteral("damaged skin"));
        }
    }
    int options() const override
    {
        calls << QStringLiteral("options");
        return storedOptions;
    }
    void setOptions(int options) override { calls << QStringLiteral("setOptions %1").arg(options); }
    void setEnabled(bool on) override { calls << QStringLiteral("setEnabled %1").arg(on); }
    void setPortableBase(bool on) override
    {
        calls << QStringLiteral("setPortableBase %1").arg(on);
    }
    void apply(QWidget &target) override
    {
        calls << QStringLiteral("apply %1").arg(&target == window ? "window" : "other");
    }
};

const QColor kWindowColour(0xe0, 0xe0, 0xe0);
const QColor kButtonFace(0xc0, 0x80, 0x40);

bool hideFile(const QString &path)
{
#if defined(Q_OS_WIN)
    return SetFileAttributesW(reinterpret_cast<LPCWSTR>(QDir::toNativeSeparators(path).utf16()),
                              FILE_ATTRIBUTE_HIDDEN);
#elif defined(Q_OS_DARWIN)
    return chflags(QFile::encodeName(path).constData(), UF_HIDDEN) == 0;
#else
    Q_UNUSED(path);
    return false;
#endif
}

// The hand the build draws beside the program.
QString shippedHand()
{
    return QFINDTESTDATA("../HAND-M.CUR");
}

QString shippedSkin()
{
    return QFINDTESTDATA("../data/skins/slate.qss");
}

// Through the window, which hands the move on before it returns; a move of the system's pointer
// reaches the program later on some desktops (Windows under Wine).
void moveOver(QWidget *widget, QPoint at = {})
{
    const QPoint point = at.isNull() ? widget->rect().center() : at;
    QWidget *window = widget->window();
    QTest::mouseMove(window->windowHandle(), widget->mapTo(window, point));
}

// A point of the window's background, clear of every control.
QPoint background(Form1 &w)
{
    return {w.width() / 2, twipsToPixels(60)};
}

}  // namespace

class TestLookAndHelp : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void noSkinWithoutAListedFile_data();
    void noSkinWithoutAListedFile();
    void skinCallsInOrder();
    void failingSkinIsReportedAndStartUpGoesOn();
    void styleSheetSkin();
    void styleSheetSkinRefusesWhatItCannotUse();

    void pointerFollowsTheMouse();
    void hourglassKeptDuringGeneration();
    void handCursorFile();
    void damagedHandCursorIsReportedAt106_data();
    void damagedHandCursorIsReportedAt106();

    void helpMessage();

private:
    QPalette savedPalette_;
};

void TestLookAndHelp::initTestCase()
{
    // The desktop's button face differs from its window colour, so a change can be seen.
    savedPalette_ = QApplication::palette();
    QPalette desktop = savedPalette_;
    desktop.setColor(QPalette::Window, kWindowColour);
    desktop.setColor(QPalette::Button, kButtonFace);
    QApplication::setPalette(desktop);
}

void TestLookAndHelp::cleanupTestCase()
{
    QApplication::setPalette(savedPalette_);
}

void TestLookAndHelp::noSkinWithoutAListedFile_data()
{
    QTest::addColumn<QString>("setup");
    QTest::newRow("no x folder") << "none";
    QTest::newRow("x without o.cjs") << "empty x";
    QTest::newRow("o.cjs is a folder") << "folder";
    QTest::newRow("hidden o.cjs") << "hidden";
}

void TestLookAndHelp::noSkinWithoutAListedFile()
{
    QFETCH(QString, setup);
    FormFixture f(false);
    const QString x = f.programFolder() + QStringLiteral("/x");
    if (setup == QLatin1String("empty x")) {
        QDir().mkpath(x);
        writeBytes(x + QStringLiteral("/other.cjs"), "QWidget {}");
    } else if (setup == QLatin1String("folder")) {
        QDir().mkpath(x + QStringLiteral("/o.cjs"));
    } else if (setup == QLatin1String("hidden")) {
        writeBytes(x + QStringLiteral("/o.cjs"), "QWidget {}");
        if (!hideFile(x + QStringLiteral("/o.cjs"))) {
            QSKIP("Only names starting with a dot are hidden here, so o.cjs cannot be");
        }
    }
    auto skin = std::make_shared<RecordingSkin>();
    auto w = f.makeWindow(f.desktop, skin);
    w->Form_Load();

    QVERIFY(skin->calls.isEmpty());
    QCOMPARE(w->palette().color(QPalette::Window), kWindowColour);
    QVERIFY(!w->Frame2->autoFillBackground());
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestLookAndHelp::skinCallsInOrder()
{
    FormFixture f(false);
    const QString path = QDir::toNativeSeparators(f.programFolder() + QStringLiteral("/x/o.cjs"));
    writeBytes(path, "QWidget {}");
    auto skin = std::make_shared<RecordingSkin>();
    auto w = f.makeWindow(f.desktop, skin);
    skin->window = w.get();
    w->Form_Load();

    QCOMPARE(skin->calls,
             QStringList({QStringLiteral("load %1 []").arg(path), "options", "setOptions 7",
                          "setEnabled 1", "setPortableBase 1", "apply window"}));
    QCOMPARE(skin->windowColourAtLoad, kButtonFace);
    QCOMPARE(w->Frame2->palette().color(QPalette::Window), kButtonFace);
    QVERIFY(w->Frame2->autoFillBackground());
    // The other controls keep their own colours.
    QVERIFY(!w->PushButton1->testAttribute(Qt::WA_SetPalette));
    QVERIFY(!w->listView1Widget->testAttribute(Qt::WA_SetPalette));
    QVERIFY(!w->Text1->testAttribute(Qt::WA_SetPalette));
    QVERIFY(!w->ProgressBar1->testAttribute(Qt::WA_SetPalette));
    QVERIFY(f.desktop.messages().isEmpty());
}

void TestLookAndHelp::failingSkinIsReportedAndStartUpGoesOn()
{
    FormFixture f(false);
    writeBytes(f.programFolder() + QStringLiteral("/x/o.cjs"), QByteArray("QWidget {\0\x01}", 12));
    auto w = f.makeWindow(f.desktop);
    w->Form_Load();

    const auto boxes = f.desktop.messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes[0].title, QStringLiteral("Application Error"));
    QVERIFY2(boxes[0].text.contains(QStringLiteral("is not a style sheet")),
             qPrintable(boxes[0].text));
    QVERIFY(boxes[0].text.contains(QStringLiteral("Form1.Form_Load at line 100")));
    // The colour came before the failing load; nothing after it ran, and start-up went on.
    QCOMPARE(w->palette().color(QPalette::Window), kButtonFace);
    QVERIFY(w->styleSheet().isEmpty());
    QCOMPARE(w->windowTitle(), QStringLiteral("Brindlemoor Dial Roster Maker Studio Suite"));
    QCOMPARE(w->ListView1.columns(), 1);
}

void TestLookAndHelp::styleSheetSkin()
{
    const QString sheet = QStringLiteral("QPushButton { color: #123456; } /* \u00e9 */\n");
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("o.cjs")), sheet.toUtf8());

    QWidget window;
    StyleSheetSkin skin;
    skin.load(dir.filePath(QStringLiteral("o.cjs")), QString());
    QCOMPARE(skin.sheet(), sheet);
    skin.setOptions(skin.options() | kSkinPaintsWindow);
    skin.apply(window);
    QVERIFY2(window.styleSheet().isEmpty(), "applied before it was switched on");

    skin.setEnabled(true);
    skin.setPortableBase(true);
    skin.apply(window);
    QCOMPARE(window.styleSheet(), sheet);
    QVERIFY(window.testAttribute(Qt::WA_StyledBackground));
    // Under the sheet the window draws on a Fusion style of its own.
    const auto *base = window.findChild<QStyle *>(QString(), Qt::FindDirectChildrenOnly);
    QVERIFY(base);
    QCOMPARE(base->name(), QStringLiteral("fusion"));

    // The sample skin we ship is one it takes.
    StyleSheetSkin sample;
    sample.load(shippedSkin(), QString());
    QVERIFY(sample.sheet().contains(QStringLiteral("QPushButton")));
}

void TestLookAndHelp::styleSheetSkinRefusesWhatItCannotUse()
{
    QTemporaryDir dir;
    const QString binary = dir.filePath(QStringLiteral("binary.cjs"));
    writeBytes(binary, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    const QString latin1 = dir.filePath(QStringLiteral("latin1.cjs"));
    writeBytes(latin1, "QLabel { color: red; } /* caf\xe9 */");
    const QString good = dir.filePath(QStringLiteral("good.cjs"));
    writeBytes(good, "QLabel { color: red; }");

    StyleSheetSkin skin;
    QVERIFY_THROWS_EXCEPTION(Failure, skin.load(binary, QString()));
    QVERIFY_THROWS_EXCEPTION(Failure, skin.load(latin1, QString()));
    QVERIFY_THROWS_EXCEPTION(Failure, skin.load(dir.filePath(QStringLiteral("none.cjs")), {}));
    QVERIFY_THROWS_EXCEPTION(Failure, skin.load(good, QStringLiteral("Dark")));
    QWidget window;
    skin.setEnabled(true);
    QVERIFY_THROWS_EXCEPTION(Failure, skin.apply(window));

    QFile::setPermissions(good, QFileDevice::WriteOwner);
    QFile probe(good);
    if (probe.open(QIODevice::ReadOnly)) {
        QSKIP("This user reads files whatever their permissions");
    }
    QVERIFY_THROWS_EXCEPTION(Failure, skin.load(good, QString()));
}

void TestLookAndHelp::pointerFollowsTheMouse()
{
    FormFixture f(false);
    QVERIFY(QFile::copy(shippedHand(), f.programFolder() + QStringLiteral("/HAND-M.CUR")));
    Form1 &w = f.form();
    w.Form_Load();
    QVERIFY(f.desktop.messages().isEmpty());
    QVERIFY(w.hasMouseIcon());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    for (QPushButton *button : w.pushButtons()) {
        moveOver(&w, background(w));
        QCOMPARE(w.MousePointer(), int(kPointerDefault));
        moveOver(button);
        QVERIFY2(w.MousePointer() == kPointerCustom, qPrintable(button->text()));
        QCOMPARE(w.cursor().shape(), Qt::BitmapCursor);
    }

    const QList<QWidget *> plain = {w.listView1Widget->viewport(), w.listView2Widget->viewport(),
                                    w.listView1Widget->header()};
    for (QWidget *part : plain) {
        moveOver(w.PushButton1);
        moveOver(part);
        QVERIFY2(w.MousePointer() == kPointerDefault, part->metaObject()->className());
    }
    // The frame itself, above the count box.
    moveOver(w.PushButton1);
    moveOver(w.Frame2, {w.Frame2->width() / 2, w.Text1->y() - 3});
    QCOMPARE(w.MousePointer(), int(kPointerDefault));

    // The count box and the progress bar leave the pointer as it was.
    moveOver(w.PushButton1);
    moveOver(w.Text1);
    moveOver(w.ProgressBar1);
    QCOMPARE(w.MousePointer(), int(kPointerCustom));

    // The arrow left by an operation turns into the default pointer.
    w.setMousePointer(kPointerArrow);
    moveOver(&w, background(w));
    QCOMPARE(w.MousePointer(), int(kPointerDefault));
}

void TestLookAndHelp::hourglassKeptDuringGeneration()
{
    FormFixture f;
    Form1 &w = f.form();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    f.addPrefixes({"717", "603-43"});
    w.Text1->setText(QStringLiteral("300000"));

    QList<int> seen;
    QTimer::singleShot(0, &w, [&] {
        moveOver(w.PushButton3);
        seen << w.MousePointer();
        QTimer::singleShot(0, &w, [&] {
            moveOver(&w, background(w));
            seen << w.MousePointer();
            moveOver(w.listView2Widget->viewport());
            seen << w.MousePointer();
        });
    });
    w.runHandler([&] { w.PushButton2_Click(); });
    QCOMPARE(f.results().size(), 300000);
    QCOMPARE(seen, QList<int>({kPointerBusy, kPointerBusy, kPointerBusy}));
    QCOMPARE(w.MousePointer(), int(kPointerDefault));
    moveOver(w.PushButton3);
    QCOMPARE(w.MousePointer(), int(kPointerCustom));
}

void TestLookAndHelp::handCursorFile()
{
    // None there: no report, no image, and the hand state shows the ordinary pointer.
    {
        FormFixture f;
        QVERIFY(f.desktop.messages().isEmpty());
        QVERIFY(!f.form().hasMouseIcon());
        f.form().setMousePointer(kPointerCustom);
        QCOMPARE(f.form().cursor().shape(), Qt::ArrowCursor);
    }
    // Ours: the hand points with the tip of its index finger.
    const QCursor hand = loadCursorFile(shippedHand());
    QCOMPARE(hand.shape(), Qt::BitmapCursor);
    QCOMPARE(hand.hotSpot(), QPoint(6, 0));
    QCOMPARE(hand.pixmap().size(), QSize(32, 32));
    QCOMPARE(hand.pixmap().toImage().pixelColor(0, 0).alpha(), 0);
}

void TestLookAndHelp::damagedHandCursorIsReportedAt106_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QFile ours(shippedHand());
    QVERIFY(ours.open(QIODevice::ReadOnly));
    const QByteArray good = ours.readAll();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("text") << QByteArray("not a cursor at all, just words");
    QTest::newRow("cut short") << good.left(good.size() / 3);
    QTest::newRow("a folder") << QByteArray("folder");
}

void TestLookAndHelp::damagedHandCursorIsReportedAt106()
{
    QFETCH(QByteArray, bytes);
    FormFixture f(false);
    const QString path = f.programFolder() + QStringLiteral("/HAND-M.CUR");
    if (bytes == "folder") {
        QVERIFY(QDir().mkpath(path));
    } else {
        writeBytes(path, bytes);
    }
    f.form().Form_Load();

    const auto boxes = f.desktop.messages();
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].text.contains(QStringLiteral("Form1.Form_Load at line 106")));
    QVERIFY2(boxes[0].text.contains(QStringLiteral("HAND-M.CUR")), qPrintable(boxes[0].text));
    QVERIFY(!f.form().hasMouseIcon());
    QCOMPARE(f.form().windowTitle(), QStringLiteral("Brindlemoor Dial Roster Maker Studio Suite"));
}

void TestLookAndHelp::helpMessage()
{
    FormFixture f;
    f.addPrefixes({"717"});
    f.click(f.form().PushButton14);
    f.click(f.form().PushButton14);

    QCOMPARE(helpText(), QStringLiteral("Questions? Please contact Team Quillane at "
                                        "https://www.quillane.example/contact/"));
    const auto boxes = f.desktop.messages();
    QCOMPARE(boxes.size(), 2);
    for (const auto &box : boxes) {
        QCOMPARE(box.text, helpText());
        QCOMPARE(box.title, QStringLiteral("Brindlemoor Dial Roster Maker Studio"));
        QCOMPARE(box.buttons, MessageButtons::Ok);
        QCOMPARE(box.icon, MessageIcon::None);
    }
    QVERIFY(f.desktop.urls.isEmpty());
    QCOMPARE(f.prefixes(), QStringList({"717"}));
    QVERIFY(f.results().isEmpty());
}

QTEST_MAIN(TestLookAndHelp)
#include "test_look_and_help.moc"
