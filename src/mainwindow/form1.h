#pragma once

#include "lists/list_model.h"
#include "mainwindow/core/settings_store.h"
#include "mainwindow/progress_bar.h"
#include "shell/core/desktop.h"
#include "shell/core/pointer_state.h"
#include "shell/core/progress.h"
#include "shell/core/yield.h"

#include <QCursor>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

class QFocusFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class ListView;
struct ListSnapshot;
class RandomSource;
class SkinComponent;

// What the window is given from outside, so tests can put doubles in its place.
struct FormServices {
    Desktop &desktop;
    // The program's random source, which the generator draws from.
    RandomSource &random;
    // The start-up's draw for the home-page chance, a whole number from 1 to n. The program
    // draws it from `random`; tests pin it, so that no window of theirs opens a browser.
    std::function<double(int n)> homePageDraw = {};
    // The skin given to the window at start-up; none means the window keeps its plain look.
    std::shared_ptr<SkinComponent> skin = nullptr;
};

// The main window: the two lists, the count box, the buttons and the progress bar, placed as
// designed in twips (15 to a pixel). Every user action is one handler of the window, bound to
// its control here and defined with its subsystem: the generator's in generator/, the prefix
// commands' in prefixes/, the outputs' in output/, help in shell/.
class Form1 : public QWidget {
    Q_OBJECT
public:
    // Without a home-page draw the window draws from its random source; without a skin
    // component it gets ours, which reads style sheets.
    explicit Form1(FormServices services, QWidget *parent = nullptr);
    ~Form1() override;

    Desktop &desktop() { return services_.desktop; }
    RandomSource &random() { return services_.random; }

    // Start-up: runs once, before the window is shown.
    void Form_Load();
    // Shows the window centred on the screen, or as near as its top-left corner allows.
    void showCentred();

    // Settings and shutdown.
    void Text1_Change();
    void Form_QueryUnload();
    void Form_Unload();

    void PushButton1_Click();   // "Add Prefix"
    void PushButton2_Click();   // "Start Generating"
    void PushButton3_Click();   // "Save Results As Text File"
    void PushButton4_Click();   // "Load Default Area Code Prefixes"
    void PushButton5_Click();   // "Save Prefixes To File"
    void PushButton6_Click();   // "Clear All Prefixes"
    void PushButton7_Click();   // "Clear List"
    void PushButton8_Click();   // "Copy Results To Clipboard"
    void PushButton9_Click();   // "Delete Selected Prefix"
    void PushButton10_Click();  // "Load Prefixes From File"
    void PushButton11_Click();  // "Load Sample Example Prefixes"
    void PushButton12_Click();  // "<- ?"
    void PushButton13_Click();  // "Save Results As Excel File"
    void PushButton14_Click();  // "Help"
    // A key pressed, and a double-click, in the prefix list.
    void ListView1_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void ListView1_DblClick();

    // Whether the spreadsheet program can be started; tells the user when it cannot.
    bool SaveResultsAsExcelFileIsExcelInstalled();

    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int state);
    // The hand shown for the custom pointer state; none until loaded.
    void setMouseIcon(std::optional<QCursor> icon);
    bool hasMouseIcon() const { return mouseIcon_.has_value(); }

    // Pointer feedback: the hand over the buttons, the default pointer over the background, the
    // lists and the count frame; none of them disturbs the hourglass of a long operation.
    void PushButton_MouseMove() { pointerMovedOnto(kPointerCustom); }
    void Form_MouseMove() { pointerMovedOnto(kPointerDefault); }
    void ListView1_MouseMove() { pointerMovedOnto(kPointerDefault); }
    void ListView2_MouseMove() { pointerMovedOnto(kPointerDefault); }
    void Frame2_MouseMove() { pointerMovedOnto(kPointerDefault); }

    // The selected entry's position in ListView1; throws Failure when none is selected.
    int selectedPrefixPosition() const;

    ListModel ListView1;  // the prefixes
    ListModel ListView2;  // the results
    ListView *listView1Widget = nullptr;
    ListView *listView2Widget = nullptr;
    QLineEdit *Text1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    ProgressBar *ProgressBar1 = nullptr;
    FileDialogState CommonDialog1;
    QPushButton *PushButton1 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton3 = nullptr;
    QPushButton *PushButton4 = nullptr;
    QPushButton *PushButton5 = nullptr;
    QPushButton *PushButton6 = nullptr;
    QPushButton *PushButton7 = nullptr;
    QPushButton *PushButton8 = nullptr;
    QPushButton *PushButton9 = nullptr;
    QPushButton *PushButton10 = nullptr;
    QPushButton *PushButton11 = nullptr;
    QPushButton *PushButton12 = nullptr;
    QPushButton *PushButton13 = nullptr;
    QPushButton *PushButton14 = nullptr;

    // One control of the window as designed. The member says what kind of control it is; a list
    // shows a model, and the count box lies in a frame.
    struct ListMember {
        ListView *Form1::*view;
        ListModel Form1::*model;
    };
    struct BoxMember {
        QLineEdit *Form1::*box;
        QGroupBox *Form1::*frame;
    };
    using Member = std::variant<QPushButton * Form1::*, ListMember, QGroupBox * Form1::*, BoxMember,
                                ProgressBar * Form1::*>;
    struct Control {
        const char *name;
        Member member;
        const char *caption;           // a button's caption, a frame's title, the count box's text
        int left, top, width, height;  // in twips, in the window or for the count box the frame
        int tab;                       // its place as Tab walks the window; 0 for none
        void (Form1::*handler)();      // what its click or change runs
        void (Form1::*pointerMove)();  // what the pointer moving over it runs
    };
    // Every control, one row each, in the order the eye reads the window. The layout, the
    // handlers' binding, the Tab order, the pointer watch and the tests all read it.
    static const std::vector<Control> &controls();
    // The widget a row of the table made.
    QWidget *widget(const Control &control) const;
    // The fourteen buttons in number order, PushButton1 first.
    QList<QPushButton *> pushButtons() const;

    // What a file export writes: the list as it stood at the click, into the file at path,
    // showing its progress and running beforeEach (the window's yield) between its items.
    using FileExport = void (*)(const ListSnapshot &list, const QString &path,
                                ProgressDisplay *progress, void (*beforeEach)());
    // The steps of a "Save Results As ..." command that writes a file: the path is asked for
    // ([106] to [116]), the pointer turns busy ([118]), the export writes the result list ([120])
    // and the pointer turns back ([122]). Failures are reported under the handler's name.
    void saveResultsToFile(const QString &handler, FileExport write);

    // The one door into the handlers: every signal, event and close reaches its handler through
    // here, and so do tests and benchmarks that call a handler themselves. Once the window is
    // closing no handler starts any more, and the loops that the close ended stop here, before
    // they reach the event loop. Only inside it may a loop yield.
    template <typename Handler>
    void runHandler(Handler &&handler)
    {
        if (closing_) {
            return;
        }
        const HandlerBoundary boundary;
        try {
            handler();
        } catch (const LoopsEnded &) {
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void watchPointerMoves();
    void pointerMovedOnto(int target);
    void pointerMoved(QObject *watched, const QPoint &at);
    void restoreSettings(class ErrorTrap &trap);
    // Connects a control's signal to a handler, through runHandler.
    template <typename Sender, typename Signal>
    void bind(Sender *sender, Signal signal, void (Form1::*handler)());

    FormServices services_;
    SettingsStore settings_;
    int mousePointer_ = kPointerDefault;
    // Runs of "Start Generating" begun so far. A run started inside another's yield takes the
    // result list over, and the earlier one ends when it sees that it is no longer the latest.
    quint64 generationRuns_ = 0;
    bool closing_ = false;  // from the request to close on, no handler starts
    std::optional<QCursor> mouseIcon_;
    QFocusFrame *listFocusRing_ = nullptr;
};

// Shows the hourglass for as long as it lives, then the pointer given (the default, or the
// arrow after Save Prefixes To File).
class BusyPointer {
public:
    explicit BusyPointer(Form1 &form, int after = kPointerDefault) : form_(form), after_(after)
    {
        form_.setMousePointer(kPointerBusy);
    }
    ~BusyPointer() { form_.setMousePointer(after_); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    Form1 &form_;
    int after_;
};

// Where a window's frame of the given size opens on the free part of a screen: centred, but where
// it does not fit, its top and left edges stay on the screen, so that the title bar can still be
// grabbed and the prefix list reached.
QPoint openingPosition(const QRect &available, const QSize &frame);

// Twips to pixels at 96 dots per inch.
constexpr int twipsToPixels(int twips)
{
    return (twips + 7) / 15;
}
