#!/usr/bin/python3
"""The real program on its own X server, used only as a person would use it.

It clicks the buttons where the window shows them, types into the real file dialog, reads the
clipboard and the saved file, closes the window and reads the settings file the program left.
Usage: real_window.py <path to dialroster>. Exits 77 (skipped) when the X tools are missing.
"""

import contextlib
import ctypes
import ctypes.util
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

SKIPPED = 77
PRODUCT = "Brindlemoor Dial Roster Maker Studio Suite"
APP_TITLE = "Brindlemoor Dial Roster Maker Studio"
LOAD_TITLE = "Load List(s) - Hold Ctrl to select multiple list files"
HEADER = "Result/s - No duplicates will be added to this list"
SAMPLE_FORMS = {
    "717": re.compile(r"717-\d{3}-\d{4}"),
    "603-43": re.compile(r"603-43\d-\d{4}"),
    "800-281-2": re.compile(r"800-281-2\d{3}"),
}

# Where the window lays its buttons out, in twips (15 to a pixel): left, top, width, height.
BUTTONS = {
    "Help": (4080, 4280, 3840, 405),
    "Load Default Area Code Prefixes": (120, 3260, 3840, 405),
    "Load Sample Example Prefixes": (4080, 3770, 3840, 405),
    "Load Prefixes From File": (120, 3770, 3120, 405),
    "Start Generating": (8040, 120, 7800, 405),
    "Save Results As Text File": (8040, 4095, 3840, 405),
    "Copy Results To Clipboard": (8040, 4605, 3840, 405),
    "Save Results As Excel File": (12000, 4095, 3840, 405),
}
XLSX = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"
# The count box, inside its frame at (120, 4740).
COUNT_BOX = (120 + 240, 4740 + 300, 7335, 330)

started = time.monotonic()


def log(text):
    print(f"[{time.monotonic() - started:6.2f}s] {text}", flush=True)


class Failed(Exception):
    pass


def check(condition, text):
    if not condition:
        raise Failed(text)


def wait_for(what, probe, timeout=30.0):
    """Polls probe until it gives something true, and returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failed(f"timed out after {timeout:.0f}s waiting for {what}")
        time.sleep(0.05)


def first_line(read_end, what, ended=""):
    """The first line a process writes to the pipe read_end (which is closed then), stripped."""
    line = b""
    deadline = time.monotonic() + 30
    while not line.endswith(b"\n"):
        left = deadline - time.monotonic()
        check(left > 0 and select.select([read_end], [], [], left)[0], f"{what} did not start")
        chunk = os.read(read_end, 256)
        check(chunk, f"{what} ended before it was ready{ended}")
        line += chunk
    os.close(read_end)
    return line.decode().strip()


class Desktop:
    """An X server of our own and the command-line tools that act on it."""

    def __init__(self, home, screen="1280x800", dpi=None):
        self.screen = screen
        self.dpi = dpi
        self.env = dict(os.environ)
        # Nothing of the real session may leak in: no other display, no desktop portals or
        # themes (so Qt shows its own file dialog), and the settings go to a folder of ours.
        for name in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORMTHEME",
                     "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "XAUTHORITY", "QT_STYLE_OVERRIDE",
                     "SESSION_MANAGER"):
            self.env.pop(name, None)
        runtime = os.path.join(home, "run")
        os.makedirs(runtime, mode=0o700)
        self.env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, "config"),
                        XDG_RUNTIME_DIR=runtime, XDG_CACHE_HOME=os.path.join(home, "cache"),
                        XDG_DATA_HOME=os.path.join(home, "data"), QT_QPA_PLATFORM="xcb",
                        # Should the start-up's one-in-a-hundred chance open the home page, the
                        # browser asked for is one that does nothing.
                        BROWSER="true")
        self.server = None

    def start(self):
        # The server picks a free display itself, so it never meets another test's server.
        read_end, write_end = os.pipe()
        # Without -noreset the server resets when its last client leaves, as the program does
        # when it is killed: what was set on the screen is lost, and a program that starts
        # during the reset is refused its display.
        density = ["-dpi", str(self.dpi)] if self.dpi else []
        self.server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen + "x24",
             "-nolisten", "tcp", "-noreset"] + density,
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.env["DISPLAY"] = ":" + first_line(read_end, "Xvfb")
        log(f"X server on {self.env['DISPLAY']}")

    def stop(self):
        if self.server and self.server.poll() is None:
            self.server.terminate()
            try:
                self.server.wait(5)
            except subprocess.TimeoutExpired:
                self.server.kill()

    def run(self, *args, timeout=30.0):
        done = subprocess.run(args, env=self.env, capture_output=True, timeout=timeout)
        return done.returncode, done.stdout.decode("utf-8", "replace")

    def tool(self, *args):
        rc, out = self.run(*args)
        check(rc == 0, f"{' '.join(args)} failed")
        return out

    def visible_windows(self, pattern):
        rc, out = self.run("xdotool", "search", "--onlyvisible", "--name", pattern)
        return [int(w) for w in out.split()] if rc == 0 else []

    def window_name(self, window):
        return self.tool("xdotool", "getwindowname", str(window)).rstrip("\n")

    def geometry(self, window):
        out = self.tool("xdotool", "getwindowgeometry", "--shell", str(window))
        values = dict(line.split("=", 1) for line in out.split())
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))

    def click_at(self, x, y):
        # The move waits until the pointer has moved, which it never does when it is there
        # already (a button clicked twice), until xdotool gives up some 15 seconds later.
        out = self.tool("xdotool", "getmouselocation", "--shell")
        here = dict(line.split("=", 1) for line in out.split())
        if (int(here["X"]), int(here["Y"])) != (x, y):
            self.tool("xdotool", "mousemove", "--sync", str(x), str(y))
        self.tool("xdotool", "click", "1")

    def focus(self, window):
        self.tool("xdotool", "windowfocus", "--sync", str(window))

    def type(self, text):
        self.tool("xdotool", "type", "--delay", "2", text)

    def key(self, name):
        self.tool("xdotool", "key", name)

    def clipboard(self):
        text = self.clipboard_bytes(timeout=3)
        return text.decode("utf-8", "replace") if text is not None else None

    def clipboard_bytes(self, timeout=30.0):
        """The clipboard's text as bytes, or None when nobody gives any."""
        try:
            done = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=self.env,
                                  capture_output=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
        return done.stdout if done.returncode == 0 and done.stdout else None

    def ask_to_close(self, window):
        """What a window manager sends when the user closes a window: WM_DELETE_WINDOW."""

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

        class Event(ctypes.Union):
            _fields_ = [("xclient", ClientMessage), ("pad", ctypes.c_long * 24)]

        with self.x_display() as (xlib, display):
            event = Event()
            event.xclient.type = 33  # ClientMessage
            event.xclient.window = window
            event.xclient.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
            event.xclient.format = 32
            event.xclient.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
            event.xclient.data[1] = 0  # CurrentTime
            check(xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event)),
                  "cannot send WM_DELETE_WINDOW")
            xlib.XFlush(display)

    def selection_owner(self, selection):
        """The window that owns the X selection, 0 when none does."""
        with self.x_display() as (xlib, display):
            return xlib.XGetSelectionOwner(display,
                                           xlib.XInternAtom(display, selection.encode(), 0))

    @contextlib.contextmanager
    def x_display(self):
        """Xlib, and a connection of its own to this server for the time of a with block."""
        xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
        xlib.XOpenDisplay.restype = ctypes.c_void_p
        xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        xlib.XInternAtom.restype = ctypes.c_ulong
        xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                    ctypes.c_void_p]
        xlib.XGetSelectionOwner.restype = ctypes.c_ulong
        xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        xlib.XFlush.argtypes = [ctypes.c_void_p]
        xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        display = xlib.XOpenDisplay(self.env["DISPLAY"].encode())
        check(display, "cannot open the X display")
        try:
            yield xlib, display
        finally:
            xlib.XCloseDisplay(display)


# A session bus that starts nothing by itself (no service folders), so every process on it is
# one that a script started and stops.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={folder}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class SessionBus:
    """A D-Bus session bus of our own, which the desktop's programs and ours are given."""

    def __init__(self, desktop, work):
        self.desktop = desktop
        self.work = work
        self.process = None

    def start(self):
        folder = os.path.join(self.work, "bus")
        os.makedirs(folder)
        config = os.path.join(self.work, "bus.conf")
        with open(config, "w", encoding="utf-8") as f:
            f.write(BUS_CONFIG.format(folder=folder))
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["dbus-daemon", "--config-file=" + config, "--nofork",
             f"--print-address={write_end}"], env=self.desktop.env, pass_fds=(write_end,),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        self.desktop.env["DBUS_SESSION_BUS_ADDRESS"] = first_line(read_end, "dbus-daemon")

    def stop(self):
        stop_process(self.process)


def stop_process(process):
    """Ends a process we started, at once when it does not end when asked."""
    if process is not None and process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(5)


class Program:
    """The running program and its main window."""

    def __init__(self, desktop, executable, launcher=()):
        self.desktop = desktop
        # What the program prints goes to a file, shown when it ends when it should not.
        self.output = tempfile.TemporaryFile()
        # The launcher runs a program of another system (wine), which ends with the program.
        self.process = subprocess.Popen([*launcher, executable], env=desktop.env,
                                        stdout=self.output, stderr=subprocess.STDOUT)
        self.window = wait_for("the main window", lambda: self.find_main_window(), timeout=60)
        self.origin = self.desktop.geometry(self.window)[:2]

    def find_main_window(self):
        check(self.process.poll() is None,
              f"the program ended at start-up with {self.process.returncode}{self.printed()}")
        found = self.desktop.visible_windows("^" + re.escape(PRODUCT))
        return found[0] if found else None

    def click(self, caption):
        log(f"click '{caption}'")
        self.click_in(COUNT_BOX if caption == "count box" else BUTTONS[caption])

    def click_in(self, place):
        left, top, width, height = place
        self.desktop.click_at(self.origin[0] + (left + width // 2) // 15,
                              self.origin[1] + (top + height // 2) // 15)

    def printed(self):
        self.output.seek(0)
        text = self.output.read().decode(errors="replace").strip()
        return ", printing:\n" + text[-4000:] if text else ""

    def alive(self):
        return self.process.poll() is None

    def stop(self):
        if self.alive():
            self.process.kill()
            self.process.wait(5)

    def close(self, timeout=10):
        """Closes the window as a user does and waits for the program to end well; the seconds
        that took."""
        closing = time.monotonic()
        self.desktop.ask_to_close(self.window)
        try:
            rc = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failed("the program did not end when its window was closed")
        check(rc == 0, f"the program ended with {rc}{self.printed()}")
        return time.monotonic() - closing

    def destroy_window(self, timeout=10):
        """Destroys the window as another client may, without asking the program first (no
        WM_DELETE_WINDOW), and waits for the program to end as a close ends it."""
        self.desktop.tool("xdotool", "windowclose", str(self.window))
        try:
            rc = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failed("the program lived on after its window was destroyed")
        check(rc == 0, f"the program ended with {rc}{self.printed()}")


def box_titled(desktop, program, title):
    """The visible window with exactly this title, besides the main window."""
    check(program.alive(), f"the program ended{program.printed()}")
    for window in desktop.visible_windows("^" + re.escape(title) + "$"):
        if window != program.window and desktop.window_name(window) == title:
            return window
    return None


def answer_box(desktop, program, title):
    """Waits for a box with this title, then presses its default button."""
    box = wait_for(f"a box titled '{title}'", lambda: box_titled(desktop, program, title))
    log(f"box titled '{desktop.window_name(box)}'")
    desktop.focus(box)
    desktop.key("Return")
    wait_for(f"the box titled '{title}' to close",
             lambda: box not in desktop.visible_windows("^" + re.escape(title) + "$"))


def load_typed(desktop, program, typed):
    """Types names into the open dialog and presses Enter. One of them names no file: the dialog
    closes and the program's own box, under the application title, says so."""
    program.click("Load Prefixes From File")
    dialog = wait_for("the open dialog", lambda: box_titled(desktop, program, LOAD_TITLE))
    desktop.focus(dialog)
    desktop.key("ctrl+a")
    desktop.type(typed)
    desktop.key("Return")

    def told():
        # Qt's own warning would come up over the dialog, under the dialog's title.
        shown = desktop.visible_windows("^" + re.escape(LOAD_TITLE) + "$")
        check(len(shown) < 2, "Qt's own warning came up over the open dialog")
        return box_titled(desktop, program, APP_TITLE)

    wait_for("the program's 'File not found'", told)
    check(box_titled(desktop, program, LOAD_TITLE) is None, "the open dialog is still open")
    answer_box(desktop, program, APP_TITLE)


def spreadsheet_program(desktop, log_file):
    """A desktop entry that takes .xlsx files, and the default for them: it writes the path it
    is given into log_file."""
    applications = os.path.join(desktop.env["XDG_DATA_HOME"], "applications")
    os.makedirs(applications, exist_ok=True)
    script = os.path.join(applications, "note-workbook.sh")
    with open(script, "w", encoding="utf-8") as f:
        f.write(f'#!/bin/sh\nprintf "%s\\n" "$1" > "{log_file}"\n')
    os.chmod(script, 0o755)
    with open(os.path.join(applications, "note-workbook.desktop"), "w", encoding="utf-8") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Note workbook\n"
                f"Exec={script} %f\nMimeType={XLSX};\n")
    desktop.tool("xdg-mime", "default", "note-workbook.desktop", XLSX)


def left_running(desktop):
    """What still runs with this desktop's home folder in its environment, the X server aside:
    after the program has ended, nothing of it may (a session bus started for it, say)."""
    marker = b"HOME=" + desktop.env["HOME"].encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        if int(pid) in (os.getpid(), desktop.server.pid):
            continue
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                if marker not in f.read().split(b"\0"):
                    continue
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                found.append(f.read().replace(b"\0", b" ").decode(errors="replace").strip())
        except OSError:
            continue
    return found


def settings_value(path, group, key):
    """A value from the ini file Qt writes, with its section and key names decoded."""
    section = None
    with open(path, encoding="utf-8") as f:
        for line in f.read().splitlines():
            if line.startswith("[") and line.endswith("]"):
                section = urllib.parse.unquote(line[1:-1])
                continue
            name, sep, value = line.partition("=")
            if sep and section == group and urllib.parse.unquote(name) == key:
                if len(value) >= 2 and value[0] == value[-1] == '"':
                    value = re.sub(r"\\(.)", r"\1", value[1:-1])
                return value
    return None


def main_window_opens(desktop, program):
    """The window's caption and size, and the box an empty prefix list brings up."""
    caption = desktop.window_name(program.window)
    check(caption == PRODUCT, f"the window caption is '{caption}'")
    geometry = desktop.geometry(program.window)
    check(geometry[2:] == (1064, 376), f"the window is {geometry[2]}x{geometry[3]}")
    log(f"main window '{caption}' at {geometry}")

    # Empty prefix list: a box under the application title says so.
    program.click("Start Generating")
    answer_box(desktop, program, APP_TITLE)


def scenario(desktop, executable, work):
    program = Program(desktop, executable)
    try:
        main_window_opens(desktop, program)
        program.click("Help")
        answer_box(desktop, program, APP_TITLE)

        program.click("Load Sample Example Prefixes")
        program.click("Start Generating")

        # A copy clicked while the numbers are still being made takes those made so far, so
        # the copy is clicked until it takes all 200.
        def whole_clipboard():
            program.click("Copy Results To Clipboard")
            text = desktop.clipboard()
            return text if text and text.count("\r\n") >= 200 else None

        text = wait_for("200 numbers on the clipboard", whole_clipboard)
        check(text.endswith("\r\n"), "the clipboard text does not end with CR LF")
        numbers = text[:-2].split("\r\n")
        check(len(numbers) == 200, f"{len(numbers)} lines on the clipboard")
        check(len(set(numbers)) == 200, "the clipboard holds duplicate numbers")
        forms = {p: [n for n in numbers if rx.fullmatch(n)] for p, rx in SAMPLE_FORMS.items()}
        strays = [n for n in numbers if not any(rx.fullmatch(n) for rx in SAMPLE_FORMS.values())]
        check(not strays, f"numbers of no sample form: {strays[:5]}")
        check(all(forms.values()), "some sample prefix was never used in 200 numbers")
        log("clipboard: 200 distinct numbers, " +
            ", ".join(f"{len(v)} of {p}" for p, v in forms.items()))

        target = os.path.join(work, "saved", "roster of numbers.txt")
        os.makedirs(os.path.dirname(target))
        program.click("Save Results As Text File")
        dialog = wait_for("the save dialog", lambda: box_titled(desktop, program, "Save"))
        log(f"file dialog '{desktop.window_name(dialog)}'")
        desktop.focus(dialog)
        desktop.key("ctrl+a")  # the name field may propose a name already
        desktop.type(target)
        desktop.key("Return")
        wait_for("the saved file", lambda: os.path.exists(target))
        wait_for("the save dialog to close", lambda: box_titled(desktop, program, "Save") is None)
        with open(target, "rb") as f:
            saved = f.read()
        expected = "".join(line.ljust(51) + "\t\r\n" for line in [HEADER] + numbers)
        check(saved == expected.encode("ascii"),
              f"the saved table differs from the numbers shown ({len(saved)} bytes)")
        log(f"saved table: header and 200 lines, {len(saved)} bytes")

        # The workbook goes to the desktop's program for .xlsx files, through xdg-open: a
        # program of ours that notes what it was given.
        opened = os.path.join(work, "opened")
        spreadsheet_program(desktop, opened)
        program.click("Save Results As Excel File")
        workbook = wait_for("the spreadsheet program to be given a workbook",
                            lambda: os.path.exists(opened) and open(opened).read().strip())
        folder = os.path.join(desktop.env["XDG_CACHE_HOME"], "dialroster")
        check(os.path.dirname(workbook) == folder, f"the workbook went to {workbook}")
        mode = os.stat(folder).st_mode & 0o777
        check(mode == 0o700, f"the workbooks' folder has mode {mode:o}")
        rc, cells = desktop.run("/usr/bin/python3", "-c", "import sys, openpyxl\n"
                                "for row in openpyxl.load_workbook(sys.argv[1]).active.values:\n"
                                "    print(row[0])", workbook)
        check(rc == 0 and cells.split("\n")[:-1] == [HEADER] + numbers,
              "the workbook does not hold the header and the 200 numbers shown")
        log(f"workbook: {os.path.basename(workbook)} in {folder} (mode 700), 200 numbers")

        # Typed names that name no file: "File not found" once for each, the others load. The
        # load appends, and the settings below show what and in which order.
        lists = os.path.join(work, "lists")
        os.makedirs(lists)
        for name, prefix in (("a.txt", "212"), ("b.txt", "313")):
            with open(os.path.join(lists, name), "wb") as f:
                f.write(prefix.encode() + b"\r\n")
        load_typed(desktop, program, os.path.join(lists, "nosuch.txt"))
        quoted = [f'"{os.path.join(lists, n)}"' for n in ("a.txt", "nosuch.txt", "b.txt")]
        load_typed(desktop, program, " ".join(quoted))
        log("typed names that name no file: the program's box once each")

        program.close()
        log("window closed, program ended")
    finally:
        program.stop()

    settings = os.path.join(desktop.env["XDG_CONFIG_HOME"], "Quillane", "Quillane.conf")
    check(os.path.exists(settings), "no settings file was written")
    prefixes = settings_value(settings, PRODUCT, "Prefixes")
    # A second box for the one missing name would have held the close, or closed the window
    # before b.txt was loaded.
    check(prefixes == "603-43;800-281-2;717;212;313;",
          f"Prefixes in the settings file: {prefixes!r}")
    log(f"settings: Prefixes={prefixes}")


def killed_after_typing(desktop, executable):
    """The count typed just before the program is killed is there at the next start."""
    pending = os.path.join(desktop.env["XDG_CONFIG_HOME"], "Quillane", "Quillane.conf.count")
    program = Program(desktop, executable)
    try:
        program.click("count box")
        desktop.key("ctrl+a")
        desktop.type("4321")

        def typed():
            try:
                with open(pending, encoding="utf-8") as f:
                    return f.read() == "4321"
            except OSError:
                return False

        wait_for("the count to be stored", typed)
        program.process.kill()
        program.process.wait(5)
        log("killed right after typing 4321")
    finally:
        program.stop()

    # The next start shows it, and its end puts it into the settings file, even when another
    # client destroys the window instead of asking it to close. The area codes come from the
    # store beside the program, which an installed program must find too.
    program = Program(desktop, executable)
    try:
        program.click("Load Default Area Code Prefixes")
        program.destroy_window()
    finally:
        program.stop()
    settings = os.path.join(desktop.env["XDG_CONFIG_HOME"], "Quillane", "Quillane.conf")
    count = settings_value(settings, PRODUCT, "Number Of Phones")
    check(count == "4321", f"Number Of Phones in the settings file: {count!r}")
    check(not os.path.exists(pending), "the stored count was left beside the settings")
    codes = settings_value(settings, PRODUCT, "Prefixes").split(";")[:-1]
    check(len(codes) == 5 + 359 and codes[5] == "201" and codes[-1] == "989",
          f"{len(codes) - 5} area codes imported after the 5 prefixes kept")
    log(f"settings after the window was destroyed: Number Of Phones={count}, "
        "359 area codes imported")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    missing = [t for t in ("Xvfb", "xdotool", "xclip") if not shutil.which(t)]
    if missing:
        print("skipped: " + ", ".join(missing) + " not installed (scripts/setup.sh installs them)")
        return SKIPPED
    executable = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="dialroster-e2e-") as work:
        desktop = Desktop(os.path.join(work, "home"))
        try:
            desktop.start()
            scenario(desktop, executable, work)
            killed_after_typing(desktop, executable)
            # The desktop has no session bus, as a bare X session or ssh -X has none.
            strays = left_running(desktop)
            check(not strays, f"still running after the program ended: {strays}")
        except (Failed, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", flush=True)
            return 1
        finally:
            desktop.stop()
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
