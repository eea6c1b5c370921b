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
    // A count that is no number makes none; step 106 below reports it.
    GenerationRun run(countIfValid(Text1->text()).value_or(0), random());
    run.setPrefixes(ListView1.texts());
    if (const std::optional<QString> refusal = run.refusal()) {
        desktop().message(*refusal);
        return;
    }

    BusyPointer busy(*this);  // [102], and [160] at the end
    const quint64 thisRun = ++generationRuns_;
    ListView2.clear();  // [104]
    trap.step(106, [&] { convertCount(Text1->text()); });

    // Other actions run during the yields. Whatever they did to either list, the run reads that
    // list again before its next batch: the prefixes it draws from, and the results it must not
    // make again, whoever added or took them.
    quint64 prefixesSeen = ListView1.changes();
    quint64 resultsSeen = ListView2.changes();

    ListEntries fresh;
    GenerationRun::Stop stop =
        run.requested() > 0 ? GenerationRun::Stop::None : GenerationRun::Stop::Finished;
    while (stop == GenerationRun::Stop::None) {
        ProgressBar1->setPercent(run.progress(ListView2.count()));  // [110]
        yieldToEventLoop();                                         // [112]
        // Another click of "Start Generating" (a double-click, say) began a run that emptied the
        // result list and filled it with its own count: that run's list is what the user asked
        // for last, so this one ends quietly.
        if (generationRuns_ != thisRun) {
            return;
        }
        if (ListView1.changes() != prefixesSeen) {
            prefixesSeen = ListView1.changes();
            run.setPrefixes(ListView1.texts());
        }
        if (ListView2.changes() != resultsSeen) {
            run.setResults(ListView2.snapshot());
        }
        // [114]-[150] for a batch of numbers, and [152]-[154] for those that are new. A failure
        // (memory running out, say) is reported once and ends the run with what it made.
        if (!trap.step(114, [&] { run.draw(); }) || !trap.step(154, [&] {
                stop = run.keep(fresh);
                ListView2.add(fresh);
                resultsSeen = ListView2.changes();
            })) {
            break;
        }
    }
    if (const QString why = run.stopMessage(stop); !why.isEmpty()) {
        desktop().message(why);
    }

    ListView2.publish();
    ProgressBar1->setPercent(0);                  // [156]
    ProgressBar1->setCaption(kIdleProgressText);  // [158]
}
