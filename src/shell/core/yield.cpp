#include "shell/core/yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QtGlobal>

namespace yield_detail {
unsigned calls = 0;
int everyNth = 0;
int handlers = 0;
}  // namespace yield_detail

namespace {
constexpr int kIntervalMs = 10;
QElapsedTimer g_sinceLast;
// Yields under way, one inside the other: a handler started inside a yield can itself yield.
int g_depth = 0;
// Past this depth the nested loop runs on without taking more events, so a storm of clicks
// cannot exhaust the stack.
constexpr int kMaxDepth = 16;
// The program is ending, and the yields under way have still to end their loops.
bool g_ending = false;

bool due()
{
    using namespace yield_detail;
    if (everyNth > 0) {
        return ++calls % unsigned(everyNth) == 0;
    }
    if (!g_sinceLast.isValid()) {
        g_sinceLast.start();
    }
    return g_sinceLast.elapsed() >= kIntervalMs;
}
}  // namespace

void yield_detail::turn()
{
    if (!due() || g_depth >= kMaxDepth) {
        return;
    }
    ++g_depth;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --g_depth;
    g_sinceLast.restart();
    if (g_ending) {
        // The outermost loop ends with this throw, and with it the end of every loop.
        g_ending = g_depth > 0;
        throw LoopsEnded{};
    }
}

void yield_detail::refuse()
{
    qFatal(
        "A loop yielded outside a handler: every handler starts through Form1::runHandler, "
        "where the end of the program's loops is caught before it reaches the event loop");
}

void endRunningLoops()
{
    // Outside every yield no loop is running, and there is nothing to end.
    g_ending = g_depth > 0;
}

void setYieldEveryNthCall(int n)
{
    yield_detail::everyNth = n;
    yield_detail::calls = 0;
}
