// The desktop on Linux and the other Unix systems: the freedesktop.org tools.
#include "shell/desktop_platform.h"

#include "shell/core/file_system.h"
#include "shell/core/yield.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QProcess>
#include <QScopeGuard>
#include <QUrl>

#include <unistd.h>
#include <csignal>

void openWebPage(const QString &address)
{
    QDesktopServices::openUrl(QUrl(address));
}

bool desktopHasSpreadsheetProgram()
{
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    // A slow desktop database takes seconds to tell, and the window goes on taking events
    // meanwhile.
    constexpr int kMostWaitMs = 30000;
    QProcess query;
    // In a process group of its own, so that what the desktop's script started ends with it.
    query.setChildProcessModifier([] { ::setsid(); });
    const auto stop = qScopeGuard([&query] {
        if (query.state() != QProcess::NotRunning) {
            ::kill(-pid_t(query.processId()), SIGKILL);
            query.kill();
            query.waitForFinished(1000);
        }
    });
    query.start(
        QStringLiteral("xdg-mime"),
        {QStringLiteral("query"), QStringLiteral("default"),
         QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    QElapsedTimer waited;
    waited.start();
    while (query.state() != QProcess::NotRunning) {
        if (waited.hasExpired(kMostWaitMs)) {
            return false;
        }
        query.waitForFinished(1);
        yieldToEventLoop();
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
#else
    // macOS always hands .xlsx files to some program (or offers to pick one).
    return true;
#endif
}

QString workbookFolder()
{
    // ~/.cache/dialroster: the cache folder is the user's alone.
    return fsUserFolder("XDG_CACHE_HOME", QStringLiteral(".cache")) + QStringLiteral("/dialroster");
}
