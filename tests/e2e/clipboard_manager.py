#!/usr/bin/python3
"""What the program copied stays on the clipboard after its window closed.

On a desktop with a clipboard manager (here the one in xfsettingsd, on a session bus of our own)
a program that ends the ordinary way hands what it put on the clipboard to the manager as it
ends. The program makes the numbers, copies them, and its window is closed: the clipboard must
then hold the very same bytes, served by the manager. Twice: 100,000 numbers, and 1,300,000,
whose 18 MB are more than the X server takes in one request.
Usage: clipboard_manager.py <path to dialroster>. Exits 77 (skipped) when the tools are missing.
"""

import ctypes
import ctypes.util
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # no cache beside the sources
from real_window import SKIPPED, Desktop, Failed, Program, check, first_line, log, wait_for

COUNTS = (100000, 1300000)
XFCONF_SERVICE = "/usr/share/dbus-1/services/org.xfce.Xfconf.service"
TOOLS = ("Xvfb", "xdotool", "xclip", "dbus-daemon", "dbus-send", "xfsettingsd")

# A session bus that starts nothing by itself (no service folders), so every process on it is
# one this script started and stops.
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


def selection_owner(display, selection):
    """The window that owns the X selection, 0 when none does."""
    xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetSelectionOwner.restype = ctypes.c_ulong
    xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    check(connection, "cannot open the X display")
    try:
        return xlib.XGetSelectionOwner(connection,
                                       xlib.XInternAtom(connection, selection.encode(), 0))
    finally:
        xlib.XCloseDisplay(connection)


def clipboard_bytes(desktop, timeout=30.0):
    """The clipboard's text as bytes, or None when nobody gives any."""
    try:
        done = subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=desktop.env,
                              capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    return done.stdout if done.returncode == 0 and done.stdout else None


def stop_process(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(5)


class ClipboardManager:
    """A session bus, the settings store and xfsettingsd with its clipboard manager."""

    def __init__(self, desktop, work):
        self.desktop = desktop
        self.work = work
        self.processes = []
        self.output = tempfile.TemporaryFile()
        self.window = 0

    def start(self):
        env = self.desktop.env
        folder = os.path.join(self.work, "bus")
        os.makedirs(folder)
        config = os.path.join(self.work, "bus.conf")
        with open(config, "w", encoding="utf-8") as f:
            f.write(BUS_CONFIG.format(folder=folder))
        read_end, write_end = os.pipe()
        self.started(["dbus-daemon", "--config-file=" + config, "--nofork",
                      f"--print-address={write_end}"], pass_fds=(write_end,))
        os.close(write_end)
        # The program, the settings store and xfsettingsd all use this bus and no other.
        env["DBUS_SESSION_BUS_ADDRESS"] = first_line(read_end, "dbus-daemon", self.printed())

        with open(XFCONF_SERVICE, encoding="utf-8") as f:
            xfconfd = [line.split("=", 1)[1].strip() for line in f if line.startswith("Exec=")]
        check(xfconfd, f"no Exec line in {XFCONF_SERVICE}")
        self.started(xfconfd[0].split())
        wait_for("xfconfd on the session bus", lambda: self.has_owner("org.xfce.Xfconf"))

        # GTK's accessibility bridge and settings store would look for services the bus has not.
        self.started(["xfsettingsd", "--disable-wm-check", "--sm-client-disable"],
                     extra={"NO_AT_BRIDGE": "1", "GSETTINGS_BACKEND": "memory"})
        self.window = wait_for("xfsettingsd to take the clipboard manager's selection",
                               lambda: self.alive() and selection_owner(env["DISPLAY"],
                                                                        "CLIPBOARD_MANAGER"))
        log(f"clipboard manager: xfsettingsd, window {self.window:#x}")

    def started(self, args, pass_fds=(), extra=None):
        env = dict(self.desktop.env, **(extra or {}))
        self.processes.append(subprocess.Popen(args, env=env, pass_fds=pass_fds,
                                               stdout=self.output, stderr=subprocess.STDOUT))

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
            text = clipboard_bytes(desktop)
            return text if text and text.count(b"\r\n") >= count else None

        copied = wait_for(f"{count} numbers on the clipboard", whole_clipboard, timeout=120)
        lines = copied.count(b"\r\n")
        check(lines == count and copied.endswith(b"\r\n"), f"{lines} lines on the clipboard")
        owner = selection_owner(desktop.env["DISPLAY"], "CLIPBOARD")
        check(owner and owner != manager.window,
              "the clipboard is not the program's before its window closes")
        log(f"clipboard: {count} numbers, {len(copied)} bytes, from window {owner:#x}")

        closing = time.monotonic()
        desktop.ask_to_close(program.window)
        try:
            rc = program.process.wait(30)
        except subprocess.TimeoutExpired:
            raise Failed("the program did not end when its window was closed")
        took = time.monotonic() - closing
        check(rc == 0, f"the program ended with {rc}{program.printed()}")
        log(f"window closed, program ended after {took:.3f}s")
    finally:
        program.stop()

    # The manager takes the clipboard over before it lets the program go: nobody holding it now
    # means the program ended without handing it over.
    owner = wait_for("the clipboard manager to take the clipboard over",
                     lambda: selection_owner(desktop.env["DISPLAY"], "CLIPBOARD") or None,
                     timeout=10)
    check(owner == manager.window,
          f"window {owner:#x} holds the clipboard, not the manager")
    kept = clipboard_bytes(desktop)
    check(kept is not None, "the clipboard is empty after the program ended")
    check(kept == copied, f"the clipboard holds {len(kept)} other bytes after the program ended")
    log(f"clipboard after the end: the same {len(kept)} bytes, from the manager")


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
        manager = ClipboardManager(desktop, work)
        try:
            desktop.start()
            manager.start()
            for count in COUNTS:
                scenario(desktop, manager, executable, count)
        except (Failed, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", flush=True)
            return 1
        finally:
            manager.stop()
            desktop.stop()
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
