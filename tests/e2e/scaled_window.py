#!/usr/bin/python3
"""The real program at scale factors 1, 1.25, 1.5 and 2, and on a real 192-dpi screen.

For each, on an X server of its own: the window is the designed size times the factor and opens
with its top-left corner on the screen, wholly on it where it fits; every caption and list header
lies inside its control, measured on the pixels the window shows; the hand pointer over a button
has the screen's size. On the 192-dpi screen the program is then used from the keyboard alone,
from loading the sample to copying the results.
Usage: scaled_window.py <path to dialroster>. Exits 77 (skipped) when the X tools are missing.
"""

import ctypes
import ctypes.util
import os
import re
import shutil
import subprocess
import sys
import tempfile

from real_window import (PRODUCT, SAMPLE_FORMS, SKIPPED, Desktop, Failed, Program, check, log,
                         wait_for)

# What the window shows at scale 1, in twips (15 to a pixel): left, top, width, height.
BUTTONS = {
    "Add Prefix": (120, 2750, 3840, 405),
    "Delete Selected Prefix": (4080, 2750, 3840, 405),
    "Load Default Area Code Prefixes": (120, 3260, 3840, 405),
    "Clear All Prefixes": (4080, 3260, 3840, 405),
    "Load Prefixes From File": (120, 3770, 3120, 405),
    "<- ?": (3360, 3770, 600, 405),
    "Load Sample Example Prefixes": (4080, 3770, 3840, 405),
    "Save Prefixes To File": (120, 4280, 3840, 405),
    "Help": (4080, 4280, 3840, 405),
    "Start Generating": (8040, 120, 7800, 405),
    "Save Results As Text File": (8040, 4095, 3840, 405),
    "Save Results As Excel File": (12000, 4095, 3840, 405),
    "Copy Results To Clipboard": (8040, 4605, 3840, 405),
    "Clear List": (12000, 4605, 3840, 405),
}
LISTS = {"Phone Number Prefixes": (120, 120, 7800, 2535),
         "Result/s - No duplicates will be added to this list": (8040, 630, 7800, 3375)}
COLUMN_WIDTH = 7000
FRAME = (120, 4740, 7800, 795)
COUNT_BOX = (240 + 120, 300 + 4740, 7335, 330)
PROGRESS_BAR = (8040, 5115, 7800, 405)
CLIENT = (15960, 5640)

# (what, scale factor, screen, dots per inch): the 192-dpi screen scales through the desktop's
# Xft.dpi, as dense screens are set up on X11, the others through QT_SCALE_FACTOR.
CASES = [
    ("scale 1", 1.0, "1920x1080", None),
    ("scale 1.25", 1.25, "1920x1080", None),
    ("scale 1.5", 1.5, "1920x1080", None),
    ("scale 1.5 on a 1280 by 800 screen", 1.5, "1280x800", None),
    ("scale 2", 2.0, "2560x1440", None),
    ("a 192-dpi screen", 2.0, "2560x1440", 192),
]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_uint8)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p), ("atom", ctypes.c_ulong),
                ("name", ctypes.c_char_p)]


class Screen:
    """The X server's screen, read and set up through Xlib."""

    def __init__(self, display):
        self.xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        self.xfixes = ctypes.cdll.LoadLibrary(
            ctypes.util.find_library("Xfixes") or "libXfixes.so.3")
        x = self.xlib
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.POINTER(XImage)
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XFree.argtypes = [ctypes.c_void_p]
        x.XInternAtom.restype = ctypes.c_ulong
        x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        x.XChangeProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                      ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                      ctypes.c_char_p, ctypes.c_int]
        x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
        self.xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
        # Xlib's own handler ends the process at an X error, before the servers are stopped;
        # this one lets the failed call tell.
        handler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
        self.on_error = handler(lambda display, error: 0)
        x.XSetErrorHandler.argtypes = [handler]
        x.XSetErrorHandler(self.on_error)
        self.display = x.XOpenDisplay(display.encode())
        check(self.display, "cannot open the X display")
        self.root = x.XDefaultRootWindow(self.display)
        x.XDisplayWidth.argtypes = x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.width = x.XDisplayWidth(self.display, 0)
        self.height = x.XDisplayHeight(self.display, 0)

    def close(self):
        self.xlib.XCloseDisplay(self.display)

    def set_resources(self, text):
        """What xrdb does: the resources every client reads at start, Xft.dpi among them."""
        data = text.encode()
        atom = self.xlib.XInternAtom(self.display, b"RESOURCE_MANAGER", 0)
        xa_string = 31
        self.xlib.XChangeProperty(self.display, self.root, atom, xa_string, 8, 0, data, len(data))
        self.xlib.XSync(self.display, 0)

    def grab(self, left, top, width, height):
        """The screen's pixels in a rectangle, as rows of luminances from 0 to 255."""
        image = self.xlib.XGetImage(self.display, self.root, left, top, width, height,
                                    0xFFFFFFFF, 2)  # ZPixmap
        check(image, "cannot read the screen")
        img = image.contents
        check(img.bits_per_pixel == 32, f"{img.bits_per_pixel} bits a pixel")
        raw = ctypes.string_at(img.data, img.bytes_per_line * img.height)
        rows = []
        for y in range(img.height):
            line = raw[y * img.bytes_per_line:y * img.bytes_per_line + 4 * img.width]
            # Blue, green, red, unused on a little-endian 24-bit screen.
            rows.append([(299 * line[i + 2] + 587 * line[i + 1] + 114 * line[i]) // 1000
                         for i in range(0, len(line), 4)])
        self.xlib.XFree(img.data)
        self.xlib.XFree(image)
        return rows

    def cursor(self):
        """The pointer's image as the screen shows it: width, height, hot spot and its name in the
        pointer theme (a program's own image has none)."""
        image = self.xfixes.XFixesGetCursorImage(self.display)
        check(image, "cannot read the pointer")
        c = image.contents
        shape = (c.width, c.height, c.xhot, c.yhot, c.name or b"")
        self.xlib.XFree(image)
        return shape


def scaled(rect, factor, origin):
    """A rectangle in twips as device pixels on the screen."""
    left, top, width, height = (round(v / 15 * factor) for v in rect)
    return origin[0] + left, origin[1] + top, width, height


def ink(rows, threshold=80):
    """The columns and rows that hold text: pixels far darker than any ground or border."""
    columns = [x for x in range(len(rows[0])) if any(row[x] < threshold for row in rows)]
    lines = [y for y, row in enumerate(rows) if any(v < threshold for v in row)]
    return columns, lines


def text_inside(screen, what, rect, factor, inset, right_limit=None, flush_left=False):
    """Checks that the text in a control lies within it, clear of its border (`inset` pixels at
    scale 1) on every side; a text drawn flush with the control's left edge only on the others.
    A caption wider than its control would run into the border, where it is cut. A control not
    wholly on the screen cannot be seen, and is left out; says whether it was looked at."""
    left, top, width, height = rect
    if left < 0 or top < 0 or left + width > screen.width or top + height > screen.height:
        return False
    d = 0 if flush_left else round(inset * factor)
    rows = screen.grab(left + d, top + d, width - 2 * d, height - 2 * d)
    columns, lines = ink(rows)
    check(columns, f"{what}: no text to be seen")
    limit = (width if right_limit is None else right_limit) - 2 * d
    check((flush_left or columns[0] > 0) and columns[-1] < limit - 1,
          f"{what}: text from {columns[0]} to {columns[-1]} in a width of {limit}")
    check((flush_left or lines[0] > 0) and lines[-1] < height - 2 * d - 1,
          f"{what}: text from row {lines[0]} to {lines[-1]} in a height of {height - 2 * d}")
    return True


def check_layout(desktop, program, screen, factor):
    x, y, width, height = desktop.geometry(program.window)
    expected = (round(CLIENT[0] / 15 * factor), round(CLIENT[1] / 15 * factor))
    check((width, height) == expected, f"the window is {width}x{height}, not {expected}")
    screen_w, screen_h = (int(v) for v in desktop.screen.split("x"))
    check(x >= 0 and y >= 0, f"the window's top-left corner {x},{y} is off the screen")
    for start, size, room, axis in ((x, width, screen_w, "across"), (y, height, screen_h, "down")):
        if size <= room:
            check(start + size <= room, f"the window does not fit {axis} though it could")
            check(abs(start - (room - size) / 2) <= 2, f"the window is not centred {axis}")
        else:
            check(start == 0, f"the window too large {axis} does not start at the edge")
    log(f"window {width}x{height} at {x},{y}")

    # A window is mapped before it is painted; its background, clear of every control, shows
    # once it is (the whole window is flushed to the screen at once).
    origin = (x, y)
    spot_x, spot_y = x + width // 2, y + round(60 / 15 * factor)
    if spot_x < screen.width:
        wait_for("the window to be painted",
                 lambda: screen.grab(spot_x, spot_y, 1, 1)[0][0] > 100)
    seen = []
    for caption, rect in BUTTONS.items():
        seen.append(text_inside(screen, f"'{caption}'", scaled(rect, factor, origin), factor, 3))
    for header, rect in LISTS.items():
        # The lists are empty at start: the only text in them is the column header, which must
        # end inside its column.
        column = round(COLUMN_WIDTH / 15 * factor)
        seen.append(text_inside(screen, f"header '{header}'", scaled(rect, factor, origin),
                                factor, 2, right_limit=column))
    # The frame's title stands above the count box, flush with the frame's left edge.
    frame_left, frame_top, frame_width, _ = scaled(FRAME, factor, origin)
    box_top = scaled(COUNT_BOX, factor, origin)[1]
    seen.append(text_inside(screen, "frame title",
                            (frame_left, frame_top, frame_width, box_top - frame_top), factor, 0,
                            flush_left=True))
    seen.append(text_inside(screen, "count box", scaled(COUNT_BOX, factor, origin), factor, 2))
    seen.append(text_inside(screen, "progress bar", scaled(PROGRESS_BAR, factor, origin), factor,
                            3))
    # Where the window is wider than the screen, at least its left half stays in reach.
    check(sum(seen) >= 12, f"only {sum(seen)} controls on the screen")
    log(f"{sum(seen)} of {len(seen)} controls on the screen, each text inside its control")

    # The hand over a button, as large on the screen as the window is scaled.
    bx, by, bw, bh = scaled(BUTTONS["Help"], factor, origin)
    desktop.tool("xdotool", "mousemove", "--sync", str(bx + bw // 2), str(by + bh // 2))
    size = round(32 * factor)
    shape = wait_for("the hand over 'Help'",
                     lambda: (lambda c: c if c[0] == size and not c[4] else None)(screen.cursor()))
    check(shape[3] == 0 and abs(shape[2] - 6.5 * factor) <= 1,
          f"the hand's hot spot is at {shape[2]},{shape[3]}")
    log(f"hand pointer {shape[0]}x{shape[1]}, hot spot {shape[2]},{shape[3]}")


def keyboard_alone(desktop, program):
    """From loading the sample to copying the results, with Tab and Space only."""
    desktop.focus(program.window)

    def keys(*names):
        desktop.tool("xdotool", "key", "--delay", "20", *names)

    keys(*["Tab"] * 7, "space")  # from the prefix list to "Load Sample Example Prefixes"
    keys(*["Tab"] * 4, "space")  # "Start Generating", past the count box
    keys(*["Tab"] * 4)  # past the result list and the two save buttons to the copy button
    log("keys: sample, generate, on to 'Copy Results To Clipboard'")

    def copied():
        # Each press copies what the list holds then; pressing until the copy holds the whole
        # run waits on the run's end, however long it takes.
        keys("space")
        text = desktop.clipboard()
        return text if text and text.count("\r\n") >= 200 else None

    text = wait_for("200 numbers copied from the keyboard", copied)
    numbers = text[:-2].split("\r\n")
    check(len(numbers) == 200 and len(set(numbers)) == 200, "not 200 distinct numbers")
    check(all(any(rx.fullmatch(n) for rx in SAMPLE_FORMS.values()) for n in numbers),
          "numbers of no sample form")
    log("clipboard: 200 distinct numbers of the sample's forms")


def run_case(executable, work, what, factor, screen_size, dpi):
    log(f"--- {what}")
    desktop = Desktop(os.path.join(work, re.sub(r"\W+", "-", what)), screen_size, dpi)
    desktop.env["BROWSER"] = "true"
    if not dpi:
        desktop.env["QT_SCALE_FACTOR"] = str(factor)
    desktop.start()
    screen = None
    program = None
    try:
        screen = Screen(desktop.env["DISPLAY"])
        if dpi:
            screen.set_resources(f"Xft.dpi:\t{dpi}\n")
        program = Program(desktop, executable)
        check(desktop.window_name(program.window) == PRODUCT, "the window has another caption")
        check_layout(desktop, program, screen, factor)
        if dpi:
            keyboard_alone(desktop, program)
    finally:
        if program:
            program.stop()
        if screen:
            screen.close()
        desktop.stop()


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    missing = [t for t in ("Xvfb", "xdotool", "xclip") if not shutil.which(t)]
    if missing:
        print("skipped: " + ", ".join(missing) + " not installed (scripts/setup.sh installs them)")
        return SKIPPED
    executable = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="dialroster-scaled-") as work:
        try:
            for case in CASES:
                run_case(executable, work, *case)
        except (Failed, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", flush=True)
            return 1
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
