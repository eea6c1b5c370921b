#pragma once

namespace yield_detail {
extern unsigned calls;
extern int everyNth;
extern int handlers;
// Lets the event loop run when it is due.
void turn();
[[noreturn]] void refuse();
}  // namespace yield_detail

// Lets the window repaint and take clicks in the middle of a long loop. Cheap to call once per
// item or cell: it processes events only when about 10 ms have passed since it last did, and
// looks at the clock only every 16th call. Throws LoopsEnded once the program is ending. Only a
// handler started inside a HandlerBoundary may yield: anywhere else the program stops at once.
inline void yieldToEventLoop()
{
    if (yield_detail::handlers == 0) {
        yield_detail::refuse();
    }
    if (yield_detail::everyNth == 0 && (++yield_detail::calls & 15u) != 0) {
        return;
    }
    yield_detail::turn();
}

// What a yield throws when the window closed during its events: the loop that yielded ends there,
// and so does every loop it runs inside, each at its own yield, until the handler that started
// the outermost one returns to the event loop. Deliberately no std::exception, so that no trap
// of a failure can catch it; the window's handler boundary does.
struct LoopsEnded {};

// Marks a handler that the event loop started, for as long as it runs: only there may a loop
// yield, because only there is the LoopsEnded of the program's end caught before it reaches the
// event loop, whose frames it must not cross. The window's one door into its handlers makes it.
class HandlerBoundary {
public:
    HandlerBoundary() { ++yield_detail::handlers; }
    ~HandlerBoundary() { --yield_detail::handlers; }
    HandlerBoundary(const HandlerBoundary &) = delete;
    HandlerBoundary &operator=(const HandlerBoundary &) = delete;
};

// Called when the program ends: every loop that is running now ends at its yield.
void endRunningLoops();

// Tests count calls instead of reading the clock: every n-th call lets the event loop run, so
// that what a test posts arrives at the same point of a loop on every run. 0 goes back to the
// clock.
void setYieldEveryNthCall(int n);
