// "Load Default Area Code Prefixes": the codes of the store beside the program, in ascending order.
#include "mainwindow/form1.h"
#include "prefixes/core/area_code_store.h"
#include "shell/core/error_trap.h"
#include "shell/core/file_helpers.h"

void Form1::PushButton4_Click()
{
    ErrorTrap trap(desktop(), QStringLiteral("PushButton4_Click"));
    const QString path = programFile(kAreaCodeStoreName);

    if (!FileListed(path)) {  // [100], a test that never fails
        trap.step(102, [&] {
            desktop().message(path + QStringLiteral(" not found."), MessageButtons::Ok,
                              MessageIcon::Warning);
        });
        return;
    }

    // Going on after a failure here would report the same failure over and over, so the first
    // one ends the reading; what was added stays, and the closing steps still run.
    AreaCodeStore store(path);
    bool reading = trap.step(104, [&] { store.createConnection(); }) &&
                   trap.step(106, [&] { store.createQuery(); }) &&
                   trap.step(108, [&] { store.open(); }) &&
                   trap.step(110, [&] { store.runQuery(); });
    while (reading && !store.atEnd()) {  // [112]
        trap.step(114, [&] {
            if (const std::optional<QString> code = store.code()) {
                ListView1.add(*code);
            }
        });
        reading = trap.step(116, [&] { store.next(); });
    }
    store.close();  // [118]-[124]
}
