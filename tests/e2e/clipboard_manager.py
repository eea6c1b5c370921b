#!/usr/bin/python3
"""What the program copied stays on the clipboard after its window closed.

On a desktop with a clipboard manager (here the one in xfsettingsd, on a session bus of our own)
a program that ends the ordinary way hands what it put on the clipboard to the manager as it
ends. The program makes the numbers, copies them, and its window is closed: the clipboard must
then hold the very same bytes, served by the manager. Twice: 100,000 numbers, and 1,300,000,
whose 18 MB are more than the X server takes in one request. Then with a manager that takes
the clipboard manager's selection and never answers: the program still ends within seconds of
its window closing, and the clipboard holds nothing rather than a part of the text.
Usage: clipboard_manager.py <path to dialroster>. Exits 77 (skipped) when the tools are missing.
"""

import contextlib
import ctypes
import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no cache beside the sources
from real_window import (SKIPPED, Desktop, Failed, Program, SessionBus, check, log,  # noqa: E402
                         stop_process, wait_for)

COUNTS = (100000, 1300000)
# How long the close may wait on a manager, whatever it does, with a margin for a loaded machine.
MOST_CLOSE_S = 5.0
XFCONF_SERVICE = "/usr/share/dbus-1/services/org.xfce.Xfconf.service"
TOOLS = ("Xvfb", "xdotool", "xclip", "dbus-daemon", "dbus-send", "xfsettingsd")

class ClipboardManager:
    """On the session bus of the desktop (the program, the settings store and xfsettingsd all
    use it and no other), the settings store and xfsettingsd with its clipboard manager."""

    def __init__(self, desktop):
        self.desktop = desktop
        self.processes = []
        self.output = tempfile.TemporaryFile()
        self.window = 0

    def start(self):
        with open(XFCONF_SERVICE, encoding="utf-8") as f:
            xfconfd = [line.split("=", 1)[1].strip() for line in f if line.startswith("Exec=")]
        check(xfconfd, f"no Exec line in {XFCONF_SERVICE}")
        self.started(xfconfd[0].split())
        wait_for("xfconfd on the session bus", lambda: self.has_owner("org.xfce.Xfconf"))

        # GTK's accessibility bridge and settings store would look for services the bus has not.
        self.started(["xfsettingsd", "--disable-wm-check", "--sm-client-disable"],
                     extra={"NO_AT_BRIDGE": "1", "GSETTINGS_BACKEND": "memory"})
        self.window = wait_for("xfsettingsd to take the clipboard manager's selection",
                               lambda: self.alive() and
                               self.desktop.selection_owner("CLIPBOARD_MANAGER"))
        log(f"clipboard manager: xfsettingsd, window {self.window:#x}")

    def started(self, args, extra=None):
        env = dict(self.desktop.env, **(extra or {}))
        self.processes.append(subprocess.Popen(args, env=env, stdout=self.output,
                                               stderr=subprocess.STDOUT))

    def has_owner(self, name):
        self.alive()
        rc, out = self.desktop.run("dbus-send", "--session", "--print-reply",
                                   "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                                   "org.freedesktop.DBus.NameHasOwner", f"string:{name}")
        return rc == 0 and "boolean true" in out

    def alive(self):
        for process in self.processes:
            check(process.poll() is None,
                  f"{process.args[0]} ended with {process.returncode}{self.printed()}")
        return True

    def printed(self):
        self.output.seek(0)
        text = self.output.read().decode(errors="replace").strip()
        return ", the desktop's services printing:\n" + text[-4000:] if text else ""

    def stop(self):
        for process in reversed(self.processes):
            stop_process(process)


def scenario(desktop, manager, executable, count):
    program = Program(desktop, executable)
    try:
        program.click("Load Sample Example Prefixes")
        program.click("count box")
        desktop.key("ctrl+a")
        desktop.type(str(count))
        program.click("Start Generating")

        # A copy clicked while the numbers are still being made takes those made so far.
        def whole_clipboard():
            program.click("Copy Results To Clipboard")
            text = desktop.clipboard_bytes()
            return text if text and text.count(b"\r\n") >= count else None

        copied = wait_for(f"{count} numbers on the clipboard", whole_clipboard, timeout=120)
        lines = copied.count(b"\r\n")
        check(lines == count and copied.endswith(b"\r\n"), f"{lines} lines on the clipboard")
        owner = desktop.selection_owner("CLIPBOARD")
        check(owner and owner != manager.window,
              "the clipboard is not the program's before its window closes")
        log(f"clipboard: {count} numbers, {len(copied)} bytes, from window {owner:#x}")

        took = program.close(timeout=30)
        log(f"window closed, program ended after {took:.3f}s")
    finally:
        program.stop()

    # The manager takes the clipboard over before it lets the program go: nobody holding it now
    # means the program ended without handing it over.
    owner = wait_for("the clipboard manager to take the clipboard over",
                     lambda: desktop.selection_owner("CLIPBOARD") or None,
                     timeout=10)
    check(owner == manager.window,
          f"window {owner:#x} holds the clipboard, not the manager")
    kept = desktop.clipboard_bytes()
    check(kept is not None, "the clipboard is empty after the program ended")
    check(kept == copied, f"the clipboard holds {len(kept)} other bytes after the program ended")
    log(f"clipboard after the end: the same {len(kept)} bytes, from the manager")


@contextlib.contextmanager
def silent_manager(desktop):
    """A clipboard manager that holds the manager's selection but never answers a request."""
    with desktop.x_display() as (xlib, display):
        xlib.XDefaultRootWindow.restype = ctypes.c_ulong
        xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        xlib.XCreateSimpleWindow.restype = ctypes.c_ulong
        xlib.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + \
            [ctypes.c_int] * 2 + [ctypes.c_uint] * 3 + [ctypes.c_ulong] * 2
        xlib.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong,
                                            ctypes.c_ulong]
        window = xlib.XCreateSimpleWindow(display, xlib.XDefaultRootWindow(display),
                                          0, 0, 1, 1, 0, 0, 0)
        xlib.XSetSelectionOwner(display, xlib.XInternAtom(display, b"CLIPBOARD_MANAGER", 0),
                                window, 0)
        xlib.XFlush(display)
        check(desktop.selection_owner("CLIPBOARD_MANAGER") == window,
              "the silent manager did not get the manager's selection")
        log(f"clipboard manager that never answers: window {window:#x}")
        yield window


def never_answered(desktop, executable, count=100000):
    with silent_manager(desktop):
        program = Program(desktop, executable)
        try:
            program.click("Load Sample Example Prefixes")
            program.click("count box")
            desktop.key("ctrl+a")
            desktop.type(str(count))
            program.click("Start Generating")

            def whole_clipboard():
                program.click("Copy Results To Clipboard")
                text = desktop.clipboard_bytes()
                return text if text and text.count(b"\r\n") >= count else None

            copied = wait_for(f"{count} numbers on the clipboard", whole_clipboard, timeout=120)
            took = program.close(timeout=60)
            log(f"window closed, program ended after {took:.3f}s")
            check(took < MOST_CLOSE_S,
                  f"the close waited {took:.1f}s on a manager that never answers")
        finally:
            program.stop()
        kept = desktop.clipboard_bytes(timeout=3)
        check(not kept or kept == copied,
              f"the clipboard holds {len(kept or b'')} of the {len(copied)} bytes copied")
        log("clipboard after the end: " + ("the same bytes" if kept else "empty"))


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    missing = [t for t in TOOLS if not shutil.which(t)]
    missing += [] if os.path.exists(XFCONF_SERVICE) else ["xfconf"]
    if missing:
        print("skipped: " + ", ".join(missing) + " not installed (scripts/setup.sh installs them)")
        return SKIPPED
    executable = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory(prefix="dialroster-e2e-") as work:
        desktop = Desktop(os.path.join(work, "home"))
        bus = SessionBus(desktop, work)
        manager = ClipboardManager(desktop)
        try:
            desktop.start()
            bus.start()
            manager.start()
            for count in COUNTS:
                scenario(desktop, manager, executable, count)
            manager.stop()
            never_answered(desktop, executable)
        except (Failed, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", flush=True)
            return 1
        finally:
            manager.stop()
            bus.stop()
            desktop.stop()
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
