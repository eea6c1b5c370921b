#pragma once

// Lets the window repaint and take clicks in the middle of a long loop. Cheap to call once per
// item: it processes events only when about 10 ms have passed since it last did.
void yieldToEventLoop();

// Tests count calls instead of reading the clock: every n-th call lets the event loop run, so
// that what a test posts arrives at the same point of a loop on every run. 0 goes back to the
// clock.
void setYieldEveryNthCall(int n);
