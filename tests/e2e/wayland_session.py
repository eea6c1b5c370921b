#!/usr/bin/python3
"""The real program natively on Wayland, under GNOME's compositor (mutter) nested in an X server
of our own, with no Xwayland at all.

The program is driven through its accessibility bus (buttons pressed, the count typed) and the
compositor's keyboard (the copy's key, and Alt+F4 to close the window). It must talk Wayland
itself with the application id "dialroster" and a fixed size, offer no maximize in the title bar
mutter has it draw, and a box no minimize, show the Help box over the window (mutter puts a
window that only names its parent beside the others), make 1,000,000 numbers and
copy them: `wl-paste` gives them byte for byte. Once the window is closed a paste gives the
whole text or nothing, never a part of it (mutter keeps at most 4 MiB of a selection whose owner
has gone); the program that keeps it holds the one copy alone.

Usage: wayland_session.py <path to dialroster>
       wayland_session.py [--fill-freed] --starts N <path to dialroster>
           N starts of a run under WAYLAND_DEBUG=client, clicked with the pointer (hand, then
           hourglass), the program killed after each; prints how many crashed. --fill-freed
           runs the program with AddressSanitizer's allocator, which fills freed memory.
Exits 77 (skipped) when mutter, wl-clipboard, Qt's Wayland plugin or the AT-SPI tools are
missing.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from real_window import (SKIPPED, Desktop, Failed, SessionBus, check, log,  # noqa: E402
                         stop_process, wait_for)
from scaled_window import Screen  # noqa: E402
from screen_reader import BUS_LAUNCHER, AccessibilityBus  # noqa: E402

COUNT = 1000000
APP_ID = "dialroster"
# The title bar the program has mutter show: its height, and its icon's place and size.
TITLE_BAR = 30
ICON = (8, 4, 22)
QT_WAYLAND_PLUGIN = "/usr/lib/x86_64-linux-gnu/qt6/plugins/platforms/libqwayland-generic.so"


class Mutter:
    """mutter as a Wayland compositor in a window of the X server, without Xwayland."""

    def __init__(self, desktop, work):
        self.desktop = desktop
        self.socket = f"dialroster-{os.getpid()}"
        self.log = open(os.path.join(work, "mutter.log"), "wb")
        self.process = None

    def start(self):
        # Its monitor fills the X server's screen.
        env = dict(self.desktop.env, GSETTINGS_BACKEND="memory", NO_AT_BRIDGE="1",
                   MUTTER_DEBUG_DUMMY_MODE_SPECS=self.desktop.screen)
        self.process = subprocess.Popen(
            ["mutter", "--nested", "--wayland", "--no-x11", "--wayland-display", self.socket],
            env=env, stdout=self.log, stderr=subprocess.STDOUT)
        path = os.path.join(self.desktop.env["XDG_RUNTIME_DIR"], self.socket)
        wait_for("mutter's Wayland socket",
                 lambda: self.process.poll() is None and os.path.exists(path))
        log(f"mutter on {self.socket}")

    def stop(self):
        stop_process(self.process)


def wayland_env(desktop, socket):
    """The program's environment: Wayland alone, no X server to fall back to."""
    env = dict(desktop.env, WAYLAND_DISPLAY=socket, QT_QPA_PLATFORM="wayland")
    env.pop("DISPLAY", None)
    return env


class Accessible:
    """The program's window as its accessibility bus shows it (pyatspi, in this process)."""

    def __init__(self, pid):
        import pyatspi
        self.pyatspi = pyatspi
        self.pid = pid
        self.app = wait_for("the program on the accessibility bus", self.find, timeout=60)
        self.found = {}

    def find(self):
        for app in self.pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == self.pid and app.childCount:
                    return app
            except Exception:  # an application that left while it was read
                pass
        return None

    def matching(self, wanted):
        """What `wanted` accepts in the program's windows, the lists' rows left unread. What goes
        away while it is read (a box just closed) is left out."""
        from gi.repository import GLib

        def search(acc, depth):
            try:
                if acc is None or depth > 8:
                    return []
                if wanted(acc):
                    return [acc]
                if acc.getRole() in (self.pyatspi.ROLE_LIST, self.pyatspi.ROLE_TABLE):
                    return []  # its rows, a million of them
                return [found for child in acc for found in search(child, depth + 1)]
            except GLib.GError:
                return []
        return search(self.app, 0)

    def named(self, role, name):
        return wait_for(f"'{name}' on the accessibility bus", lambda: next(iter(self.matching(
            lambda acc: acc.getRole() == role and acc.name == name)), None))

    def press(self, caption):
        log(f"press '{caption}'")
        button = self.found.get(caption)
        if button is None:
            button = self.found[caption] = self.named(self.pyatspi.ROLE_PUSH_BUTTON, caption)
        action = button.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        action.doAction(names.index("Press") if "Press" in names else 0)

    def lists(self):
        """The window's lists, their rows left unread."""
        return wait_for("the lists on the accessibility bus", lambda: self.matching(
            lambda acc: acc.getRole() in (self.pyatspi.ROLE_LIST, self.pyatspi.ROLE_TABLE)))

    def type_count(self, count):
        # The count box is the window's one editable text.
        box = wait_for("the count box", lambda: next(iter(self.matching(
            lambda acc: acc.getRole() == self.pyatspi.ROLE_TEXT and
            self.pyatspi.STATE_EDITABLE in acc.getState().getStates())), None))
        box.queryEditableText().setTextContents(str(count))


def start_program(executable, env, output):
    return subprocess.Popen([executable], env=env, stdout=output, stderr=subprocess.STDOUT)


def own_lines(traffic, tail=40):
    """What the program printed itself, among the Wayland traffic it was started to log."""
    traffic.flush()
    with open(traffic.name, "rb") as f:
        lines = [line for line in f.read().decode(errors="replace").splitlines()
                 if not re.match(r"^\[\s*\d+\.\d+\]", line)]
    return ", printing:\n" + "\n".join(lines[-tail:]) if lines else ""


def printed(output, tail=4000):
    output.seek(0)
    return output.read().decode(errors="replace")[-tail:]


def paste(env, timeout=20):
    """The clipboard's text as wl-paste gives it; None when it holds none."""
    done = subprocess.run(["wl-paste", "--no-newline", "--type", "text/plain;charset=utf-8"],
                          env=env, capture_output=True, timeout=timeout)
    return done.stdout if done.returncode == 0 else None


def starts(executable, desktop, mutter, runs, fill_freed):
    """Starts a run again and again under slowed Wayland traffic; how many times it crashed."""
    crashed = 0
    for run in range(runs):
        env = dict(wayland_env(desktop, mutter.socket), WAYLAND_DEBUG="client")
        if fill_freed:
            # Freed memory filled, and kept from reuse, by AddressSanitizer's allocator: a
            # callback that reads itself after it was freed then fails on every start.
            env.update(LD_PRELOAD="/usr/lib/x86_64-linux-gnu/libasan.so.8", ASAN_OPTIONS="detect_leaks=0:max_free_fill_size=4096:free_fill_byte=85")
        with tempfile.TemporaryFile() as output:
            program = start_program(executable, env, output)
            try:
                window = Accessible(program.pid)
                # The pointer over the window, which turns busy at the start of the run.
                window.press("Load Sample Example Prefixes")
                window.type_count(COUNT)
                # The pointer onto the button (the hand), and a click: it turns busy.
                desktop.tool("xdotool", "mousemove", "900", "170")
                time.sleep(0.3)
                desktop.tool("xdotool", "mousemove", "903", "181")
                time.sleep(0.3)
                desktop.tool("xdotool", "click", "1")
                deadline = time.monotonic() + 3
                while time.monotonic() < deadline and program.poll() is None:
                    time.sleep(0.05)
                if program.poll() is not None:
                    crashed += 1
                    log(f"start {run + 1}: ended with {program.returncode}")
            finally:
                if program.poll() is None:
                    program.kill()
                program.wait(10)
    log(f"{crashed} of {runs} starts crashed")
    return 1 if crashed else 0


def main():
    args = sys.argv[1:]
    runs = 0
    fill_freed = args[:1] == ["--fill-freed"]
    args = args[1:] if fill_freed else args
    if args[:1] == ["--starts"] and len(args) == 3:
        runs = int(args[1])
        args = args[2:]
    if len(args) != 1:
        print(__doc__)
        return 2
    missing = [t for t in ("Xvfb", "mutter", "wl-paste", "dbus-daemon", "dbus-send", "xdotool")
               if not shutil.which(t)]
    missing += [] if os.path.exists(QT_WAYLAND_PLUGIN) else ["qt6-wayland"]
    missing += [] if os.access(BUS_LAUNCHER, os.X_OK) else [BUS_LAUNCHER]
    if subprocess.run([sys.executable, "-c", "import pyatspi"], capture_output=True).returncode:
        missing.append("pyatspi")
    if missing:
        print("skipped: " + ", ".join(missing) + " not installed")
        return SKIPPED
    executable = os.path.abspath(args[0])
    with tempfile.TemporaryDirectory(prefix="dialroster-e2e-") as work:
        desktop = Desktop(os.path.join(work, "home"), screen="1280x800")
        bus = SessionBus(desktop, work)
        mutter = Mutter(desktop, work)
        a11y = None
        try:
            desktop.start()
            bus.start()
            a11y = AccessibilityBus(desktop.env)
            a11y.start()
            os.environ.update(DBUS_SESSION_BUS_ADDRESS=desktop.env["DBUS_SESSION_BUS_ADDRESS"])
            mutter.start()
            if runs:
                return starts(executable, desktop, mutter, runs, fill_freed)
            return scenario(executable, desktop, mutter)
        except (Failed, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", flush=True)
            return 1
        finally:
            if a11y:
                a11y.stop()
            mutter.stop()
            bus.stop()
            desktop.stop()


def changed(before, after):
    """The smallest rectangle (left, top, right, bottom) holding every pixel that differs, beyond
    the desktop background's dithering, which moves by a step or two each time it is drawn."""
    def differ(a, b):
        return abs(a - b) > 8
    rows = [y for y, (a, b) in enumerate(zip(before, after)) if any(map(differ, a, b))]
    if not rows:
        return None
    columns = [x for y in rows for x, (a, b) in enumerate(zip(before[y], after[y])) if differ(a, b)]
    return min(columns), rows[0], max(columns), rows[-1]


def settled(screen, since=None):
    """The screen once it shows something (not one colour), two looks in a row agree, and they
    differ from `since`."""
    last = [None]

    def look():
        now = screen.grab(0, 0, screen.width, screen.height)
        same = now == last[0] and now != since and len({v for row in now for v in row}) > 1
        last[0] = now
        return now if same else None
    return wait_for("the screen to settle", look)


def title_bar_buttons(screen, frame):
    """How many buttons the title bar of the window at `frame` shows: the runs of columns drawn
    darker than the bar at its right end, where close, maximize and minimize go, its rounded
    corner left out."""
    right, top = frame[2], frame[1]
    rows = screen.grab(right - 79, top + 3, 74, TITLE_BAR - 3)
    drawn = [any(row[x] < 215 for row in rows) for x in range(74)]
    return sum(1 for x in range(74) if drawn[x] and (x == 0 or not drawn[x - 1]))


def box_frame(window, frame, shown, now):
    """Where the box is: its title bar's icon, the window's own, drawn below the window's title
    bar, and its size as the accessibility bus gives it (its frame left out)."""
    icon = [bytes(row[frame[0] + ICON[0]:frame[0] + ICON[0] + ICON[2]])
            for row in shown[frame[1] + ICON[1]:frame[1] + ICON[1] + ICON[2]]]
    app = window.find()
    box = next(c for c in (app.getChildAtIndex(i) for i in range(app.childCount))
               if c.getRole() == window.pyatspi.ROLE_ALERT)
    _, _, width, height = box.queryComponent().getExtents(window.pyatspi.WINDOW_COORDS)
    middle = ICON[2] // 2
    for y in range(frame[1] + TITLE_BAR, len(now) - ICON[2]):
        line = bytes(now[y + middle])
        x = line.find(icon[middle])
        while x >= 0:
            if all(bytes(now[y + i][x:x + ICON[2]]) == icon[i] for i in range(ICON[2])):
                left, top = x - ICON[0], y - ICON[1]
                return left, top, left + width + 5, top + height + TITLE_BAR + 2
            x = line.find(icon[middle], x + 1)
    raise Failed("no box below the window's title bar")


def frames(window, screen, bare):
    """As the window lies on the bare screen: its title bar offers minimize and close (it has a
    fixed size), and the Help box lies within its frame and offers close alone."""
    shown = settled(screen, bare)
    frame = changed(bare, shown)
    buttons = title_bar_buttons(screen, frame)
    check(buttons == 2, f"the window's title bar shows {buttons} buttons, not minimize and close")
    window.press("Help")
    window.named(window.pyatspi.ROLE_PUSH_BUTTON, "OK")
    box = box_frame(window, frame, shown, settled(screen, shown))
    check(box[0] >= frame[0] and box[1] >= frame[1] and box[2] <= frame[2] and box[3] <= frame[3],
          f"the Help box at {box} is not over the window at {frame}")
    buttons = title_bar_buttons(screen, box)
    check(buttons == 1, f"the Help box's title bar shows {buttons} buttons, not close alone")
    log(f"the Help box at {box}, over the window at {frame}; minimize and close on the window, "
        "close on the box")
    window.press("OK")


def scenario(executable, desktop, mutter):
    env = dict(wayland_env(desktop, mutter.socket), WAYLAND_DEBUG="client")
    # Under the leak checker: Qt 6.4's Wayland client leaves some of its objects for each copy
    # made (about 80 bytes a copy, in libwayland-client) at the end.
    sanitized = "ASAN_OPTIONS" in env
    if sanitized:
        env["ASAN_OPTIONS"] += ":detect_leaks=0"
    paster = wayland_env(desktop, mutter.socket)
    traffic = open(os.path.join(desktop.env["HOME"], "wayland.log"), "w+b")
    screen = Screen(desktop.env["DISPLAY"])
    bare = settled(screen)
    program = start_program(executable, env, traffic)

    def said(pattern):
        traffic.flush()
        with open(traffic.name, "rb") as f:
            return re.findall(pattern.encode(), f.read())

    try:
        window = Accessible(program.pid)
        check(said(r"xdg_wm_base@\d+\.get_xdg_surface"), "the program is not on Wayland")
        app_ids = said(r'set_app_id\("([^"]*)"\)')
        check(app_ids and app_ids[-1] == APP_ID.encode(), f"application id {app_ids}")
        smallest = said(r"xdg_toplevel@\d+\.set_min_size\((\d+), (\d+)\)")
        largest = said(r"xdg_toplevel@\d+\.set_max_size\((\d+), (\d+)\)")
        check(smallest and smallest[0] == largest[0] and smallest[0] != (b"0", b"0"),
              f"the window is not of a fixed size: at least {smallest}, at most {largest}")
        log(f"natively on Wayland, application id {APP_ID}, fixed at "
            f"{smallest[0][0].decode()}x{smallest[0][1].decode()}")
        frames(window, screen, bare)

        window.press("Load Sample Example Prefixes")
        window.type_count(COUNT)
        window.press("Start Generating")

        # The numbers made, as the result list counts its rows.
        lists = window.lists()
        wait_for(f"{COUNT} numbers made", lambda: max(l.childCount for l in lists) >= COUNT,
                 timeout=180)

        # The copy is made from the keyboard, as a person makes it: mutter gives the clipboard
        # only to the window that has the keyboard, for an input event newer than the last copy's
        # (a press through the accessibility bus brings none). The window gets the keyboard from a
        # click on its title bar; the paste waits until mutter has taken the copy (it tells the
        # program of the new clipboard; the program's own log shows the request before it is
        # sent), since wl-paste takes the keyboard for a moment.
        width, height = (int(v) for v in desktop.screen.split("x"))
        title_bar = [str(width // 2), str((height - 376) // 2 - 10)]
        desktop.tool("xdotool", "mousemove", *title_bar, "click", "1")
        window.named(window.pyatspi.ROLE_PUSH_BUTTON,
                     "Copy Results To Clipboard").queryComponent().grabFocus()
        taken = r"(?s)set_selection\(wl_data_source@.*?wl_data_device@\d+\.selection\(wl_data_offer@"
        copies = len(said(taken))
        desktop.tool("xdotool", "key", "space")
        wait_for("mutter to take the copy", lambda: len(said(taken)) > copies, timeout=120)
        copied = paste(paster) or b""
        lines = copied.split(b"\r\n")
        check(len(lines) == COUNT + 1 and lines[-1] == b"", f"{len(lines) - 1} lines pasted")
        check(all(re.fullmatch(rb"\d{3}-\d{3}-\d{4}", n) for n in lines[:-1]),
              "a pasted line is no number")
        check(len(set(lines)) == COUNT + 1, "the pasted numbers are not distinct")
        log(f"wl-paste: {COUNT} numbers, {len(copied)} bytes")

        # The window is closed as a person does: its title bar clicked, then Alt+F4.
        desktop.tool("xdotool", "mousemove", *title_bar, "click", "1")
        closing = time.monotonic()
        desktop.tool("xdotool", "key", "alt+F4")
        wait_for("the window to close", lambda: said(r"xdg_toplevel@\d+\.destroy\(\)") or
                 program.poll() is not None)
        log(f"window closed after {time.monotonic() - closing:.2f}s")

        kept = paste(paster)
        check(not kept or kept == copied,
              f"after the close a paste gives {len(kept or b'')} of the {len(copied)} bytes")
        if program.poll() is None:
            def status():
                with open(f"/proc/{program.pid}/status", encoding="utf-8") as f:
                    fields = dict(line.split(":", 1) for line in f)
                return {k: int(fields[k].split()[0]) // 1024 for k in ("VmRSS", "RssAnon")}
            # One copy kept, once the window's lists are given back: every copy kept, or the text
            # twice over, stays over the bound. The sanitizers' allocator keeps freed memory.
            most = 3 * len(copied) // 2**20
            seen = {}

            def settled_memory():
                seen.update(status())
                return dict(seen) if sanitized or seen["RssAnon"] < most else None
            try:
                memory = wait_for(f"the program to keep less than {most} MB", settled_memory,
                                  timeout=20)
            except Failed:
                raise Failed(f"after the close the program keeps {seen['RssAnon']} MB, over "
                             f"{most} MB")
            log(f"after the close: the program keeps the clipboard, {memory['VmRSS']} MB "
                f"resident ({memory['RssAnon']} MB its own)")
            subprocess.run(["wl-copy", "something else"], env=paster, timeout=30, check=True)
            program.wait(10)
            check(program.returncode == 0,
                  f"the program ended with {program.returncode}{own_lines(traffic)}")
            log("something else copied: the program ended")
        log("after the close: " + ("the whole text" if kept else "nothing"))
        return 0
    finally:
        screen.close()
        if program.poll() is None:
            program.kill()
            program.wait(10)


if __name__ == "__main__":
    sys.exit(main())
