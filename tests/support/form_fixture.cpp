#include "support/form_fixture.h"

#include "mainwindow/form1.h"
#include "shell/core/file_helpers.h"
#include "shell/core/yield.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QSettings>
#include <QTest>

FormFixture::FormFixture(bool load)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quillane"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillane"));
    // The store is a file in the fixture's folder on every platform: where the platform's own
    // store is not a file (the registry on Windows), the program takes the default format, and
    // a test never writes the user's registry.
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
    setProgramFolder(programDir_.path());
    setYieldEveryNthCall(1);
    restart(load);
}

FormFixture::~FormFixture()
{
    form_.reset();
    setProgramFolder(QString());
}

void FormFixture::restart(bool load)
{
    form_.reset();
    form_ = makeWindow(desktop);
    if (load) {
        form_->Form_Load();
    }
}

std::unique_ptr<Form1> FormFixture::makeWindow(Desktop &desktop,
                                               std::shared_ptr<SkinComponent> skin)
{
    // 1 of 1 to 100: the page opens only on a 7.
    return std::make_unique<Form1>(
        FormServices{desktop, random, [](int) { return 1.0; }, std::move(skin)});
}

void FormFixture::click(QPushButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

void FormFixture::addPrefixes(const QStringList &prefixes)
{
    for (const QString &p : prefixes) {
        form_->ListView1.add(p);
    }
}

QStringList FormFixture::prefixes() const
{
    return form_->ListView1.texts();
}

QStringList FormFixture::results() const
{
    return form_->ListView2.texts();
}

void afterTurns(QObject *context, int turns, std::function<void()> fn)
{
    // An event posted while the posted events are delivered waits for the next turn.
    QMetaObject::invokeMethod(
        context,
        [context, turns, fn = std::move(fn)]() mutable {
            if (turns <= 1) {
                fn();
            } else {
                afterTurns(context, turns - 1, std::move(fn));
            }
        },
        Qt::QueuedConnection);
}

int numberFromEnvironment(const char *name, int otherwise)
{
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : otherwise;
}
