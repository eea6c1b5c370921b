#include "shell/yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {
QElapsedTimer g_sinceLast;
int g_intervalMs = 10;
int g_depth = 0;
// A handler started inside a yield can itself yield; past this depth the nested loop runs on
// without taking more events, so a storm of clicks cannot exhaust the stack.
constexpr int kMaxDepth = 16;
}  // namespace

void yieldToEventLoop()
{
    // Reading the clock costs more than a loop step; look at it every 16th call only.
    static unsigned calls = 0;
    if (g_intervalMs > 0 && (++calls & 15u) != 0) {
        return;
    }
    if (!g_sinceLast.isValid()) {
        g_sinceLast.start();
    }
    if (g_sinceLast.elapsed() < g_intervalMs || g_depth >= kMaxDepth) {
        return;
    }
    ++g_depth;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --g_depth;
    g_sinceLast.restart();
}

void setYieldInterval(int milliseconds)
{
    g_intervalMs = milliseconds;
}
