#pragma once

#include "mainwindow/form1.h"
#include "support/scripted_desktop.h"

#include <QTemporaryDir>
#include <memory>

class QPushButton;

// The real main window, offscreen, with a scripted desktop, its own settings store and its own
// program folder, so no test touches the user's settings or waits on a dialog.
class FormFixture {
public:
    // load: run the start-up handler, as the program does before showing the window.
    explicit FormFixture(bool load = true);
    ~FormFixture();

    Form1 &form() { return *form_; }
    ScriptedDesktop desktop;
    QString programFolder() const { return programDir_.path(); }
    QString settingsFolder() const { return settingsDir_.path(); }

    void click(QPushButton *button);
    void addPrefixes(const QStringList &prefixes);
    QStringList prefixes() const;
    QStringList results() const;
    // A new window on the same settings store and program folder, as at the next start.
    void restart(bool load = true);

private:
    QTemporaryDir settingsDir_;
    QTemporaryDir programDir_;
    std::unique_ptr<Form1> form_;
};

