#pragma once

// The window's pointer states (its MousePointer), as the handlers set and test them. The
// hourglass doubles as the window's busy flag: a long action shows it from start to end.
enum PointerState : int {
    kPointerDefault = 0,
    kPointerArrow = 1,
    kPointerBusy = 11,
    kPointerCustom = 99,
};

// The pointer state after the mouse moves onto a part of the window that asks for `target`.
// A busy window keeps its hourglass, whatever the mouse does.
constexpr int pointerAfterMove(int current, int target)
{
    return current == kPointerBusy ? current : target;
}
