#pragma once

// Lets the window repaint and take clicks in the middle of a long loop. Cheap to call once per
// item: it processes events only when about 10 ms have passed since it last did.
void yieldToEventLoop();

// Tests set 0 to make every call process events.
void setYieldInterval(int milliseconds);
