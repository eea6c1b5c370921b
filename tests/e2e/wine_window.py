#!/usr/bin/python3
"""The Windows program under Wine on an X server of its own, used only as a person would use it.

It starts dialroster.exe with wine, clicks the buttons where the window shows them, reads the
clipboard as a Windows program pastes it and through Wine's bridge to the X clipboard, saves the
text table through the file dialog, types a count, closes the window, reads the settings back
from the registry with `wine reg query`, and starts the program again to find them restored.
Usage: wine_window.py <dialroster.exe> <clipboard_text.exe> <Wine prefix>
The Wine prefix is the test's own, made at the first run. Exits 77 (skipped) when the tools are
missing.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from real_window import (HEADER, PRODUCT, SAMPLE_FORMS, SKIPPED, Desktop, Failed, Program,
                         box_titled, check, left_running, log, main_window_opens, wait_for)

SETTINGS_KEY = "HKCU\\Software\\VB and VBA Program Settings\\Quillane"
SECTION_KEY = SETTINGS_KEY + "\\" + PRODUCT


class Wine:
    """A Wine prefix of the test's own, and its server kept running for the time of the test, so
    that the registry and the clipboard outlive each program as they outlive it on Windows."""

    def __init__(self, desktop, prefix):
        self.desktop = desktop
        self.prefix = os.path.abspath(prefix)
        env = desktop.env
        # Qt for Windows reads the variables of the Unix environment too: no platform of the
        # Linux desktop may reach it.
        for name in [n for n in env if n.startswith("QT_")]:
            del env[name]
        # No Mono or Gecko to install, and no menu entries of Wine's written into the home folder.
        env.update(WINEPREFIX=self.prefix, WINEDEBUG="-all",
                   WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.running = False

    def start(self):
        if not os.path.exists(os.path.join(self.prefix, "system.reg")):
            made = time.monotonic()
            self.run("wineboot", "-i", timeout=300)
            self.tool("wineserver", "-w", timeout=120)
            log(f"Wine prefix made in {time.monotonic() - made:.1f}s: {self.prefix}")
        # A server an earlier run left behind would hold another display.
        self.run("wineserver", "-k")
        # Ended by stop() even when starting it fails half-way.
        self.running = True
        self.tool("wineserver", "-p", timeout=30)
        # The window's font is Arial; Liberation Sans has its metrics. The home page the start may
        # open one time in a hundred goes to a browser that does nothing, as on Linux.
        self.reg("add", "HKCU\\Software\\Wine\\Fonts\\Replacements", "/v", "Arial",
                 "/d", "Liberation Sans", "/f")
        self.reg("add", "HKCU\\Software\\Wine\\WineBrowser", "/v", "Browsers", "/d", "true",
                 "/f")

    def stop(self):
        """Ends every Wine process of the prefix, and waits until they are gone."""
        if self.running:
            self.run("wineserver", "-k")
            self.running = False
            wait_for("Wine's processes to end", lambda: not left_running(self.desktop))

    def run(self, *args, timeout=60.0):
        # Wine's own processes that a command starts (its services, the desktop's explorer) live
        # on and inherit the output: a file, so that nobody waits for a pipe they hold open.
        with tempfile.TemporaryFile() as out:
            done = subprocess.run(args, env=self.desktop.env, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            return done.returncode, out.read()

    def tool(self, *args, timeout=60.0):
        rc, out = self.run(*args, timeout=timeout)
        check(rc == 0, f"{' '.join(args)} failed with {rc}")
        return out

    def reg(self, *args):
        return self.tool("wine", "reg", *args)

    def values(self, key):
        """The values under a registry key, as {name: (type, data)}; {} when there is no key."""
        rc, out = self.run("wine", "reg", "query", key)
        if rc != 0:
            return {}
        found = {}
        for line in out.decode("utf-8", "replace").splitlines():
            match = re.fullmatch(r" {4}(.+?) {4}(REG_\w+) {4}(.*?)\r?", line)
            if match:
                found[match[1]] = (match[2], match[3])
        return found

    def windows_path(self, path):
        """A path of this machine as Windows programs under Wine see it, on drive Z:."""
        return "Z:" + os.path.abspath(path).replace("/", "\\")


class WindowsClipboard:
    """The clipboard as a Windows program pastes it, read by a helper under Wine."""

    def __init__(self, wine, reader):
        self.wine = wine
        self.reader = reader

    def text(self):
        """The bytes of the clipboard's text as UTF-8, None when it holds no text."""
        rc, out = self.wine.run("wine", self.reader, timeout=120)
        check(rc in (0, 1), f"the clipboard reader failed with {rc}")
        return out if rc == 0 else None


def numbers_copied(program, clipboard, count):
    """Clicks the copy until the clipboard holds all the numbers asked for (a copy clicked while
    they are being made takes those made so far); their text and lines."""

    def whole_clipboard():
        program.click("Copy Results To Clipboard")
        text = clipboard.text()
        return text if text and text.count(b"\r\n") >= count else None

    text = wait_for(f"{count} numbers on the clipboard", whole_clipboard, timeout=60)
    check(text.endswith(b"\r\n"), "the clipboard text does not end with CR LF")
    numbers = text[:-2].decode("ascii").split("\r\n")
    check(len(numbers) == count, f"{len(numbers)} lines on the clipboard")
    check(len(set(numbers)) == count, "the clipboard holds duplicate numbers")
    strays = [n for n in numbers if not any(rx.fullmatch(n) for rx in SAMPLE_FORMS.values())]
    check(not strays, f"numbers of no sample form: {strays[:5]}")
    return text, numbers


def first_run(desktop, wine, clipboard, executable, work):
    program = Program(desktop, executable, launcher=["wine"])
    try:
        main_window_opens(desktop, program)

        program.click("Load Sample Example Prefixes")
        program.click("Start Generating")
        text, numbers = numbers_copied(program, clipboard, 200)
        forms = {p: [n for n in numbers if rx.fullmatch(n)] for p, rx in SAMPLE_FORMS.items()}
        check(all(forms.values()), "some sample prefix was never used in 200 numbers")
        log("clipboard as Windows programs paste it: 200 distinct numbers, CR LF, " +
            ", ".join(f"{len(v)} of {p}" for p, v in forms.items()))

        # Wine's bridge gives X programs the same text with LF alone: it drops the CR of each
        # line end on the way out, as it adds one on the way in.
        bridged = desktop.clipboard_bytes()
        check(bridged == text.replace(b"\r\n", b"\n"),
              f"the X clipboard differs from the Windows clipboard ({bridged and len(bridged)})")
        log(f"X clipboard through Wine's bridge: the same {len(bridged)} bytes with LF")

        target = os.path.join(work, "saved", "roster of numbers.txt")
        os.makedirs(os.path.dirname(target))
        program.click("Save Results As Text File")
        dialog = wait_for("the save dialog", lambda: box_titled(desktop, program, "Save"))
        log(f"file dialog '{desktop.window_name(dialog)}'")
        desktop.focus(dialog)
        desktop.key("ctrl+a")  # the name field may propose a name already
        desktop.type(wine.windows_path(target))
        desktop.key("Return")
        wait_for("the saved file", lambda: os.path.exists(target))
        wait_for("the save dialog to close", lambda: box_titled(desktop, program, "Save") is None)
        with open(target, "rb") as f:
            saved = f.read()
        expected = "".join(line.ljust(51) + "\t\r\n" for line in [HEADER] + numbers)
        check(saved == expected.encode("ascii"),
              f"the saved table differs from the numbers shown ({len(saved)} bytes)")
        log(f"saved table: header and 200 lines, {len(saved)} bytes")

        # The count goes into the registry at each keystroke.
        program.click("count box")
        desktop.key("ctrl+a")
        desktop.type("150")
        wait_for("the count in the registry",
                 lambda: wine.values(SECTION_KEY).get("Number Of Phones") == ("REG_SZ", "150"))
        log("typed 150: in the registry at once")

        program.close(timeout=30)
        log("window closed, program ended")
    finally:
        program.stop()
    return text


def settings_kept(wine):
    values = wine.values(SECTION_KEY)
    check(values.get("Prefixes") == ("REG_SZ", "603-43;800-281-2;717;"),
          f"Prefixes in the registry: {values.get('Prefixes')!r}")
    check(values.get("Number Of Phones") == ("REG_SZ", "150"),
          f"Number Of Phones in the registry: {values.get('Number Of Phones')!r}")
    log(f"registry {SECTION_KEY}: Prefixes={values['Prefixes'][1]}, Number Of Phones=150, "
        "strings")


def second_run(desktop, clipboard, executable):
    """The list and the count come back from the registry."""
    program = Program(desktop, executable, launcher=["wine"])
    try:
        program.click("Start Generating")
        numbers_copied(program, clipboard, 150)
        log("restarted: 150 numbers of the sample prefixes, so the list and the count came back")
        program.close(timeout=30)
    finally:
        program.stop()


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    missing = [t for t in ("Xvfb", "xdotool", "xclip", "wine", "wineserver")
               if not shutil.which(t)]
    if missing:
        print("skipped: " + ", ".join(missing) + " not installed "
              "(scripts/windows/setup.sh installs them)")
        return SKIPPED
    executable, reader, prefix = (os.path.abspath(a) for a in sys.argv[1:])
    with tempfile.TemporaryDirectory(prefix="dialroster-wine-") as work:
        desktop = Desktop(os.path.join(work, "home"))
        wine = Wine(desktop, prefix)
        clipboard = WindowsClipboard(wine, reader)
        try:
            desktop.start()
            wine.start()
            # Each run starts as a first start: no settings of an earlier run.
            wine.run("wine", "reg", "delete", SETTINGS_KEY, "/f")
            copied = first_run(desktop, wine, clipboard, executable, work)
            settings_kept(wine)
            # What was copied stays on the clipboard after the end, as Windows keeps it, for
            # Windows programs and through the bridge.
            check(clipboard.text() == copied, "the clipboard lost the text with the program")
            check(desktop.clipboard_bytes() == copied.replace(b"\r\n", b"\n"),
                  "the X clipboard lost the text with the program")
            log("after the end, the clipboard holds the whole text")
            second_run(desktop, clipboard, executable)
            wine.stop()
        except (Failed, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", flush=True)
            return 1
        finally:
            wine.stop()
            desktop.stop()
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
