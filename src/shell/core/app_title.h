#pragma once

#include <QString>

inline const QString kProductName = QStringLiteral("Brindlemoor Dial Roster Maker Studio Suite");
inline const QString kMakerName = QStringLiteral("Quillane");
inline const QString kHomePage = QStringLiteral("https://www.quillane.example/");
inline const QString kContactPage = QStringLiteral("https://www.quillane.example/contact/");
inline const QString kSupportMail = QStringLiteral("support@quillane.example");
// The launcher entry installed for the program, without its ".desktop".
inline const QString kDesktopEntry = QStringLiteral("dialroster");

// Cuts words off the end of a name until it is at most 40 characters; always at least one.
QString shortenedTitle(const QString &name);

// The application title: the title of every box that is given none of its own.
void SetApplicationTitle();
QString applicationTitle();
