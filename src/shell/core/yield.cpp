#include "shell/core/yield.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace yield_detail {
unsigned calls = 0;
int everyNth = 0;
}  // namespace yield_detail

namespace {
constexpr int kIntervalMs = 10;
QElapsedTimer g_sinceLast;
int g_depth = 0;
// A handler started inside a yield can itself yield; past this depth the nested loop runs on
// without taking more events, so a storm of clicks cannot exhaust the stack.
constexpr int kMaxDepth = 16;

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
}

void setYieldEveryNthCall(int n)
{
    yield_detail::everyNth = n;
    yield_detail::calls = 0;
}
