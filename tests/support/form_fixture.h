#pragma once

#include "generator/core/random_source.h"
#include "mainwindow/form1.h"
#include "support/scripted_desktop.h"

#include <QTemporaryDir>
#include <functional>
#include <memory>

class QPushButton;

// The real main window, offscreen, with a scripted desktop, its own settings store and its own
// program folder, so no test touches the user's settings or waits on a dialog. Nothing in it is
// left to chance or to the clock: the random source starts at a fixed state and reads a clock
// that stands still, the home-page chance at start-up never comes up, and every yield of a long
// loop lets the event loop run once, so a test's posted events arrive at the same point on every
// run.
class FormFixture {
public:
    // load: run the start-up handler, as the program does before showing the window.
    explicit FormFixture(bool load = true);
    ~FormFixture();

    Form1 &form() { return *form_; }
    // Another window on the fixture's random source and pinned home-page draw, for tests that
    // need a desktop or a skin of their own.
    std::unique_ptr<Form1> makeWindow(Desktop &desktop,
                                      std::shared_ptr<SkinComponent> skin = nullptr);
    RandomSource random{20170405, [] { return 43200.0f; }};
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

// Runs fn once the event loop has had `turns` more turns, as a user acting in the middle of a
// long action would. The fixture's yields give one turn each, so this lands at the same point of
// the action on every run.
void afterTurns(QObject *context, int turns, std::function<void()> fn);

// A number the run is given from outside, or `otherwise`: a seed that replays another sequence,
// fewer steps where each is slow.
int numberFromEnvironment(const char *name, int otherwise);
