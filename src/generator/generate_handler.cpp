// "Start Generating": the result list filled with the requested count of distinct numbers.
#include "generator/core/count_conversion.h"
#include "generator/core/generation_run.h"
#include "mainwindow/form1.h"
#include "shell/core/error_trap.h"
#include "shell/core/yield.h"

#include <QLineEdit>

namespace {

std::optional<int> countIfValid(const QString &text)
{
    try {
        return convertCount(text);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

}  // namespace

void Form1::PushButton2_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton2_Click"));
    if (ListView1.count() == 0) {  // [100]
        trap.step(162, [&] { desktop().message(QStringLiteral("No IP Addresses added.")); });
        return;
    }
    if (const std::optional<int> requested = countIfValid(Text1->text())) {
        if (const std::optional<QString> refusal = refusalOf(*requested, ListView1.texts())) {
            desktop().message(*refusal);
            return;
        }
    }

    BusyPointer busy(*this);  // [102], and [160] at the end
    const quint64 thisRun = ++generationRuns_;
    ListView2.clear();  // [104]
    int n = 0;
    trap.step(106, [&] { n = convertCount(Text1->text()); });

    GenerationRun run(n, random());
    run.setPrefixes(ListView1.texts());
    quint64 prefixRevision = ListView1.revision();
    quint64 resultRemovals = ListView2.removals();
    ListEntries fresh;
    GenerationRun::Stop stop = n > 0 ? GenerationRun::Stop::None : GenerationRun::Stop::Finished;
    while (stop == GenerationRun::Stop::None) {
        ProgressBar1->setPercent(run.progress(ListView2.count()));  // [110]
        yieldToEventLoop();                                         // [112]
        // Anything may have happened during the yield. Another click of "Start Generating"
        // (a double-click, say) began a run that emptied the result list and filled it with its
        // own count: that run's list is what the user asked for last, so this one ends quietly.
        if (generationRuns_ != thisRun) {
            return;
        }
        // Otherwise either list may have changed.
        if (ListView2.removals() != resultRemovals) {
            resultRemovals = ListView2.removals();
            run.setResults(takeListSnapshot(ListView2));
        }
        if (ListView1.revision() != prefixRevision) {
            prefixRevision = ListView1.revision();
            run.setPrefixes(ListView1.texts());
        }
        if (ListView1.count() == 0) {
            desktop().message(
                QStringLiteral("The prefix list was emptied while numbers were being generated, "
                               "so generating has stopped."));
            break;
        }
        // [114]-[150] for a batch of numbers, and [152]-[154] for those that are new. A failure
        // (memory running out, say) is reported once and ends the run with what it made.
        if (!trap.step(114, [&] { run.draw(); }) || !trap.step(154, [&] {
                stop = run.keep(fresh);
                ListView2.add(fresh);
            })) {
            break;
        }
    }
    if (stop == GenerationRun::Stop::NoNewNumber) {
        desktop().message(QStringLiteral("No new number was found in %1 tries, so generating has "
                                         "stopped after %2 numbers.")
                              .arg(run.misses())
                              .arg(run.added()));
    }

    ListView2.publish();
    ProgressBar1->setPercent(0);                  // [156]
    ProgressBar1->setCaption(kIdleProgressText);  // [158]
}
