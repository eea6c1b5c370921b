#pragma once

#include "mainwindow/list_model.h"
#include "mainwindow/progress_bar.h"
#include "shell/desktop.h"
#include "shell/pointer_feedback.h"

#include <QCursor>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QFocusFrame;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTreeView;
class SkinComponent;

// What the window is given from outside, so tests can put doubles in its place.
struct FormServices {
    Desktop &desktop;
    // A whole number from 1 to n from the program's random source.
    std::function<double(int n)> randomNumber;
    // The skin given to the window at start-up; none means the window keeps its plain look.
    std::shared_ptr<SkinComponent> skin = nullptr;
};

// The main window: the two lists, the count box, the buttons and the progress bar, placed as
// designed in twips (15 to a pixel). The handlers of the other subsystems work on its controls.
class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(FormServices services, QWidget *parent = nullptr);
    ~Form1() override;

    Desktop &desktop() { return services_.desktop; }
    double randomNumber(int n) const { return services_.randomNumber(n); }

    // Start-up: runs once, before the window is shown.
    void Form_Load();
    // Shows the window centred on the screen, or as near as its top-left corner allows.
    void showCentred();

    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int state);
    // The hand shown for the custom pointer state; none until loaded.
    void setMouseIcon(std::optional<QCursor> icon);
    bool hasMouseIcon() const { return mouseIcon_.has_value(); }

    // Pointer feedback: the hand over the buttons, the default pointer over the background, the
    // lists and the count frame; none of them disturbs the hourglass of a long operation.
    void PushButton_MouseMove();
    void Form_MouseMove();
    void ListView1_MouseMove();
    void ListView2_MouseMove();
    void Frame2_MouseMove();

    // The selected entry's position in ListView1; throws Failure when none is selected.
    int selectedPrefixPosition() const;

    ListModel ListView1;  // the prefixes
    ListModel ListView2;  // the results
    QTreeView *listView1Widget = nullptr;
    QTreeView *listView2Widget = nullptr;
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
    // The fourteen buttons in number order, PushButton1 first.
    QList<QPushButton *> pushButtons() const;

    // Settings and shutdown.
    void Text1_Change();
    void Form_QueryUnload();
    void Form_Unload();

signals:
    void ListView1_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void ListView1_DblClick();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void watchPointerMoves();
    void pointerMovedOnto(int target);
    void pointerMoved(QObject *watched, const QPoint &at);
    void restoreSettings(class ErrorTrap &trap);

    FormServices services_;
    int mousePointer_ = kPointerDefault;
    std::optional<QCursor> mouseIcon_;
    QFocusFrame *listFocusRing_ = nullptr;
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
