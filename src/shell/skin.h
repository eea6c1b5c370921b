#pragma once

#include <QString>

class QWidget;

// The optional skin beside the program.
inline const QString kSkinFile = QStringLiteral("x/o.cjs");

// Option bit: the skin paints the window's own background too, not only its controls.
constexpr int kSkinPaintsWindow = 1;

// Gives the main window a look loaded from a file. The window talks to it through these members
// only, so tests can put a recording double in its place.
class SkinComponent {
public:
    virtual ~SkinComponent() = default;

    // Loads the skin; variant names one look of a file that holds several, the empty text the
    // file's only one. Throws Failure when the file cannot be used.
    virtual void load(const QString &path, const QString &variant) = 0;
    virtual int options() const = 0;
    virtual void setOptions(int options) = 0;
    // Applying does nothing until the component is switched on.
    virtual void setEnabled(bool on) = 0;
    // Draws the skinned window on Qt's own Fusion style, so a skin looks alike on every desktop.
    virtual void setPortableBase(bool on) = 0;
    virtual void apply(QWidget &window) = 0;
};

// Our component: a skin file is a Qt style sheet in UTF-8.
class StyleSheetSkin : public SkinComponent {
public:
    void load(const QString &path, const QString &variant) override;
    int options() const override { return options_; }
    void setOptions(int options) override { options_ = options; }
    void setEnabled(bool on) override { enabled_ = on; }
    void setPortableBase(bool on) override { portableBase_ = on; }
    void apply(QWidget &window) override;

    const QString &sheet() const { return sheet_; }

private:
    QString sheet_;
    bool loaded_ = false;
    int options_ = 0;
    bool enabled_ = false;
    bool portableBase_ = false;
};

// Gives the window the skin beside the program when a plain file is there: the window and its
// frames take the desktop's button-face colour, then the component loads and applies the skin.
// Failures reach the caller; the steps after a failed one are skipped.
void ApplySkin(QWidget &window, SkinComponent &skin);
