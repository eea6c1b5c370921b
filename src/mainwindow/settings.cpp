#include "mainwindow/core/settings_format.h"
#include "mainwindow/form1.h"
#include "shell/core/error_trap.h"
#include "shell/core/file_io.h"
#include "shell/core/yield.h"

#include <QDir>
#include <QLineEdit>

// Start-up steps [136]-[150]: the prefix list and the count box from the settings store.
void Form1::restoreSettings(ErrorTrap &trap)
{
    // A folder that someone else may change is not read, lest they choose what is restored.
    if (const std::optional<QString> refused = settings_.folderRefusal()) {
        desktop().message(*refused + QStringLiteral(" The prefix list and the count start afresh."),
                          MessageButtons::Ok, MessageIcon::Warning);
    }
    // A damaged store must not cost the user more than what it lost already: the rest is
    // restored, and the damaged file is kept for a look.
    if (const std::optional<SetAsideStore> aside = settings_.setAsideIfDamaged()) {
        const QString restored =
            aside->restoredSome ? QStringLiteral("What could be read from it has been restored")
                                : QStringLiteral(
                                      "Nothing could be read from it, so the prefix list and the "
                                      "count start afresh");
        desktop().message(QStringLiteral("The settings file %1 was damaged. %2; the damaged file "
                                         "was kept as %3.")
                              .arg(QDir::toNativeSeparators(settings_.location()), restored,
                                   QDir::toNativeSeparators(aside->path)),
                          MessageButtons::Ok, MessageIcon::Warning);
    }
    QString stored;
    trap.step(136, [&] { stored = settings_.read(kPrefixesKey, QString()); });
    // [138]-[148]: the non-empty pieces, in order, without a limit on their number.
    forEachStoredPrefix(stored, [&](QStringView piece) { ListView1.add(piece); });
    // A changed text runs Text1_Change, which writes the same text back.
    trap.step(150,
              [&] { Text1->setText(settings_.read(kNumberOfPhonesKey, QStringLiteral("200"))); });
}

void Form1::Text1_Change()
{
    settings_.writeCount(Text1->text());
}

void Form1::Form_QueryUnload()
{
    if (const std::optional<QString> failure =
            settings_.writeAtClose(joinPrefixes(ListView1.texts()))) {
        // The close goes on regardless: the user should not be kept in the program by its store.
        desktop().message(
            QStringLiteral("The prefix list could not be saved for the next start.\n\n") + *failure,
            MessageButtons::Ok, MessageIcon::Warning);
    }
    yieldToEventLoop();
}

void Form1::Form_Unload()
{
    // The store took everything above before returning. Every loop still running ends at its
    // yield: a save that the close interrupted gives up its temporary file as it unwinds, so
    // its old file stays whole and no half-written copy is left beside it.
    endRunningLoops();
    desktop().endProgram();
}
