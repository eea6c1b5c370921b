#include "shell/core/yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {
constexpr int kIntervalMs = 10;
QElapsedTimer g_sinceLast;
unsigned g_calls = 0;
int g_everyNth = 0;
int g_depth = 0;
// A handler started inside a yield can itself yield; past this depth the nested loop runs on
// without taking more events, so a storm of clicks cannot exhaust the stack.
constexpr int kMaxDepth = 16;

bool due()
{
    ++g_calls;
    if (g_everyNth > 0) {
        return g_calls % unsigned(g_everyNth) == 0;
    }
    // Reading the clock costs more than a loop step; look at it every 16th call only.
    if ((g_calls & 15u) != 0) {
        return false;
    }
    if (!g_sinceLast.isValid()) {
        g_sinceLast.start();
    }
    return g_sinceLast.elapsed() >= kIntervalMs;
}
}  // namespace

void yieldToEventLoop()
{
    if (!due() || g_depth >= kMaxDepth) {
        return;
    }
    ++g_depth;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --g_depth;
    g_sinceLast.restart();
}

void setYieldEveryNthCall(int n)
{
    g_everyNth = n;
    g_calls = 0;
}
