#include "support/form_fixture.h"

#include "app/bind_handlers.h"
#include "shell/file_helpers.h"
#include "shell/yield.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QSettings>
#include <QTest>

FormFixture::FormFixture(bool load)
{
    QCoreApplication::setOrganizationName(QStringLiteral("Quillane"));
    QCoreApplication::setApplicationName(QStringLiteral("Quillane"));
    QSettings::setDefaultFormat(QSettings::NativeFormat);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
    setProgramFolder(programDir_.path());
    setYieldInterval(10);
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
    form_ = makeMainWindow(desktop);
    if (load) {
        form_->Form_Load();
    }
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
