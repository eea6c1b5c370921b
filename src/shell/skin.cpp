#include "shell/skin.h"

#include "shell/core/failure.h"
#include "shell/core/file_helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStringDecoder>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

void StyleSheetSkin::load(const QString &path, const QString &variant)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (!variant.isEmpty()) {
        throw Failure(QStringLiteral("The skin %1 has no look named \"%2\"").arg(shown, variant));
    }
    QFile file(QDir::fromNativeSeparators(path));
    if (!file.open(QIODevice::ReadOnly)) {
        throw Failure(
            QStringLiteral("The skin %1 cannot be read: %2").arg(shown, file.errorString()));
    }
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    if (utf8.hasError() || bytes.contains('\0')) {
        throw Failure(
            QStringLiteral("The skin %1 is not a style sheet: it is not text").arg(shown));
    }
    sheet_ = text;
    loaded_ = true;
}

void StyleSheetSkin::apply(QWidget &window)
{
    if (!enabled_) {
        return;
    }
    if (!loaded_) {
        throw Failure(QStringLiteral("No skin has been loaded"));
    }
    if (portableBase_) {
        if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
            // A widget's style does not pass to its children, so each control gets it too.
            fusion->setParent(&window);
            window.setStyle(fusion);
            for (QWidget *control : window.findChildren<QWidget *>()) {
                control->setStyle(fusion);
            }
        }
    }
    // A plain widget paints a style sheet's background only when asked to.
    window.setAttribute(Qt::WA_StyledBackground, (options_ & kSkinPaintsWindow) != 0);
    window.setStyleSheet(sheet_);
}

namespace {

// The controls that share the window's background colour rather than drawing their own.
bool takesWindowColour(const QWidget *control)
{
    return qobject_cast<const QRadioButton *>(control) ||
           qobject_cast<const QCheckBox *>(control) || qobject_cast<const QGroupBox *>(control) ||
           qobject_cast<const QLabel *>(control);
}

void paintBackground(QWidget &widget, const QColor &colour)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

}  // namespace

void ApplySkin(QWidget &window, SkinComponent &skin)
{
    const QString path = programFile(kSkinFile);
    if (!FileListed(path)) {
        return;
    }
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    paintBackground(window, buttonFace);
    for (QWidget *control : window.findChildren<QWidget *>()) {
        if (takesWindowColour(control)) {
            paintBackground(*control, buttonFace);
        }
    }
    skin.load(path, QString());
    skin.setOptions(skin.options() | kSkinPaintsWindow);
    skin.setEnabled(true);
    skin.setPortableBase(true);
    skin.apply(window);
}
