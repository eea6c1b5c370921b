#!/usr/bin/python3
"""The real program as a screen reader hears it.

A D-Bus session and an accessibility bus (AT-SPI) of their own, the program on an X server of
its own with Qt's bridge to that bus, and beside it a listener written with pyatspi, the client
library screen readers such as Orca are written with, in a process of its own. The program is
used from the keyboard and the mouse, and every step must be heard with what a screen reader
reads of a list (role, name, row count, position "n of m", check mark): each row reached in the
results, each check mark, the removal of a prefix and the row that takes its place, the results
cleared, and a run of a million numbers told in a handful of events.

Usage: screen_reader.py <path to dialroster>
       screen_reader.py --around <program> [arguments]
           runs another program of the window (a test suite) on the same desktop, with the
           bridge on and a screen reader reading its lists all along, and exits with its exit
           code. That reader registers for no events: with any listener registered, Qt's bridge
           holds back every key press until the registry has answered for it and then posts it
           anew, so a suite that presses a key and looks at once would see the window before
           the key, in any Qt program.
Exits 77 (skipped) when the X, D-Bus or AT-SPI tools are missing.
"""

import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from real_window import (BUTTONS, COUNT_BOX, HEADER, PRODUCT, SKIPPED,  # noqa: E402
                         Desktop, Failed, Program, SessionBus, check, log, wait_for)

BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
PREFIXES = "Phone Number Prefixes"
SAMPLE = ["603-43", "800-281-2", "717"]  # the sample prefixes, in list order
CLEAR_LIST = (12000, 4605, 3840, 405)
LONG_RUN = 1000000
# What the listener asks to hear: what Orca listens to for lists.
EVENTS = ("focus:", "object:state-changed", "object:children-changed")


def stop_group(process, name):
    """Ends a process we started in a group of its own, and all it started in that group."""
    if process is None:
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            break
        if group_ended(process, 5.0):
            break
    try:
        process.wait(5)
    except subprocess.TimeoutExpired:
        log(f"{name} did not end")


def group_ended(process, timeout):
    deadline = time.monotonic() + timeout
    while True:
        process.poll()  # the group lasts while its leader is not waited for
        try:
            os.killpg(process.pid, 0)
        except ProcessLookupError:
            return True
        if time.monotonic() > deadline:
            return False
        time.sleep(0.05)


def read_line(stream, timeout, what):
    """One line from a pipe, within the deadline."""
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        check(left > 0 and select.select([stream], [], [], left)[0], f"no {what}")
        chunk = os.read(stream.fileno(), 1)
        check(chunk, f"no {what}: the pipe closed")
        data += chunk
    return data.decode().strip()


class AccessibilityBus:
    """On the session bus of the desktop, the AT-SPI bus launcher with its bus and registry."""

    def __init__(self, env):
        self.env = env
        self.launcher = None

    def start(self):
        self.launcher = subprocess.Popen([BUS_LAUNCHER, "--launch-immediately"], env=self.env,
                                         stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                         start_new_session=True)
        address = wait_for("the accessibility bus", self.address)
        log(f"accessibility bus at {address}")
        # Qt's bridge talks to the bus whether or not the desktop asked for screen readers.
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"

    def address(self):
        check(self.launcher.poll() is None, "the AT-SPI bus launcher ended")
        try:
            done = subprocess.run(
                ["dbus-send", "--session", "--print-reply=literal", "--reply-timeout=5000",
                 "--dest=org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus.GetAddress"],
                env=self.env, capture_output=True, timeout=10)
        except subprocess.TimeoutExpired:
            return None
        return done.stdout.decode().strip() if done.returncode == 0 else None

    def stop(self):
        stop_group(self.launcher, "the AT-SPI bus")


class Listener:
    """This script again, with --listen: a pyatspi client printing each event it hears; or
    with --read <pid>: one reading the lists of that program over and over."""

    def __init__(self, env, *mode):
        self.errors = tempfile.TemporaryFile()
        self.process = subprocess.Popen([sys.executable, os.path.abspath(__file__)]
                                        + list(mode or ["--listen"]),
                                        env=env, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.errors, start_new_session=True)
        self.pending = b""
        self.heard = []
        self.program = None  # the pid of the program listened to
        self.seen = 0  # events before this one were taken by a step
        self.mark_ = 0
        ready = read_line(self.process.stdout, 30, "word from the listener")
        check(ready == "ready", f"the listener said {ready!r}{self.printed()}")

    def printed(self):
        self.errors.seek(0)
        text = self.errors.read().decode(errors="replace").strip()
        return ", printing:\n" + text[-3000:] if text else ""

    def poll(self, timeout):
        """Takes in what the listener printed, waiting at most timeout seconds for it."""
        if select.select([self.process.stdout], [], [], timeout)[0]:
            chunk = os.read(self.process.stdout.fileno(), 65536)
            check(chunk, f"the listener ended{self.printed()}")
            self.pending += chunk
            *lines, self.pending = self.pending.split(b"\n")
            self.heard += [json.loads(line) for line in lines if line]

    def expect(self, what, matches, timeout=30.0):
        """The next event that matches, after those taken already; those before it are passed."""
        deadline = time.monotonic() + timeout
        while True:
            for i in range(self.seen, len(self.heard)):
                if matches(self.heard[i]):
                    self.seen = i + 1
                    return self.heard[i]
            left = deadline - time.monotonic()
            if left <= 0:
                raise Failed(f"not heard within {timeout:.0f}s: {what}; heard since the last "
                             f"step:\n  " + "\n  ".join(
                                 summary(e) for e in self.heard[self.mark_:][-25:]))
            self.poll(min(left, 0.2))

    def finish(self):
        """Ends the listener's input and takes in all it printed until it ended."""
        self.process.stdin.close()
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if select.select([self.process.stdout], [], [], 0.2)[0]:
                chunk = os.read(self.process.stdout.fileno(), 65536)
                if not chunk:
                    break
                self.pending += chunk
        lines = self.pending.split(b"\n")
        self.pending = b""
        self.heard += [json.loads(line) for line in lines if line]

    def mark(self):
        self.mark_ = len(self.heard)
        return self.mark_

    def since(self, mark):
        return self.heard[mark:]

    def stop(self):
        if self.process.poll() is None:
            if not self.process.stdin.closed:
                self.process.stdin.close()  # the listener ends at the end of its input
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                pass
        stop_group(self.process, "the listener")


def summary(event):
    """An event as the report quotes it."""
    source = event.get("source", {})
    text = f"{event['type']} {source.get('role', '?')} '{source.get('name', '?')}'"
    if source.get("role") == "list item" and "index" in source:
        text += f" {source['index'] + 1} of {source.get('of', '?')}"
    if "rows" in source:
        text += f" ({source['rows']} rows)"
    if event["type"].startswith("object:children-changed") or event["type"].startswith(
            "object:state-changed"):
        text += f" detail {event['detail1']}"
    marks = [s for s in ("checked", "selected", "focused") if s in source.get("states", [])]
    if marks:
        text += " [" + ", ".join(marks) + "]"
    return text


def is_event(kind, role=None, name=None, index=None, detail=None):
    def matches(event):
        source = event.get("source", {})
        return (event["type"] == kind and (role is None or source.get("role") == role)
                and (name is None or source.get("name") == name)
                and (index is None or source.get("index") == index)
                and (detail is None or event["detail1"] == detail))
    return matches


def heard(listener, mark, step):
    events = [e for e in listener.since(mark) if e.get("pid") == listener.program]
    log(f"{step}: heard")
    for event in events:
        print("          " + summary(event), flush=True)


def expect_row(listener, list_name, number, rows, name=None):
    """The focus on the row of that number (1 for the first), with what Orca reads of it."""
    event = listener.expect(f"focus on row {number} of '{list_name}'", lambda e: is_event(
        "focus:", "list item", index=number - 1)(e) and e["source"].get("in") == list_name)
    source = event["source"]
    check(source.get("of") == rows, f"row {number} is read as of {source.get('of')}, not {rows}")
    check(name is None or source.get("name") == name,
          f"row {number} is read as '{source.get('name')}', not '{name}'")
    return source


def type_count(desktop, program, count):
    """Types the count, again should a key be lost: the bridge holds every key back until the
    registry has answered for it, and keys typed quickly are lost now and then."""
    stored = os.path.join(desktop.env["XDG_CONFIG_HOME"], "Quillane", "Quillane.conf.count")

    def typed():
        try:
            with open(stored, encoding="utf-8") as f:
                return f.read() == str(count)
        except OSError:
            return False

    for _ in range(5):
        program.click_in(COUNT_BOX)
        desktop.key("ctrl+a")
        desktop.type(str(count))
        try:
            return wait_for(f"the count {count} in the box", typed, timeout=5)
        except Failed:
            log("a key was lost; typing the count again")
    raise Failed(f"the count {count} could not be typed")


def scenario(desktop, listener, executable):
    program = Program(desktop, executable)
    listener.program = program.process.pid
    try:
        desktop.focus(program.window)
        registered = listener.expect("the program on the accessibility bus", lambda e: (
            e["type"] == "object:children-changed:add" and e.get("any", {}).get("role")
            == "application" and e.get("any", {}).get("pid") == program.process.pid))
        app_name = registered["any"].get("name")

        mark = listener.mark()
        program.click("Load Sample Example Prefixes")
        listener.expect("the sample prefixes added", is_event(
            "object:children-changed:add", "list", PREFIXES, detail=len(SAMPLE)))
        heard(listener, mark, "Load Sample Example Prefixes")

        # Start Generating: the results made anew, told once the run is done.
        mark = listener.mark()
        program.click("Start Generating")
        listener.expect("the results list made anew", is_event(
            "object:children-changed:remove", "list", HEADER))
        listener.expect("200 results added", is_event(
            "object:children-changed:add", "list", HEADER, detail=200))
        heard(listener, mark, "Start Generating (200)")

        mark = listener.mark()
        desktop.key("Tab")
        results = listener.expect("the results list focused", is_event("focus:", "list", HEADER))
        source = results["source"]
        check("Table" in source.get("interfaces", []), f"no table: {source.get('interfaces')}")
        check("manages descendants" in source.get("states", []), "it does not manage descendants")
        check(source.get("rows") == 200, f"the table has {source.get('rows')} rows")
        first = expect_row(listener, HEADER, 1, 200)
        check("checked" in first.get("states", []), "a new result is not read as checked")
        heard(listener, mark, "Tab into the results")

        rows = {}
        for key, number in (("End", 200), ("Home", 1), ("Down", 2), ("Down", 3)):
            mark = listener.mark()
            desktop.key(key)
            rows[number] = expect_row(listener, HEADER, number, 200)
            heard(listener, mark, key)

        mark = listener.mark()
        desktop.key("space")
        listener.expect("row 3 unticked", is_event(
            "object:state-changed:checked", "list item", rows[3]["name"], 2, 0))
        heard(listener, mark, "Space on row 3")

        # A click on the check box of row 2 unticks it, and leaves the current row where it is.
        mark = listener.mark()
        x, y, width, height = rows[2]["extents"]
        desktop.click_at(x + 10, y + height // 2)
        listener.expect("row 2 unticked", is_event(
            "object:state-changed:checked", "list item", rows[2]["name"], 1, 0))
        heard(listener, mark, "click on the check box of row 2")

        # The wheel scrolls but moves no current row: the next thing heard is Space's tick.
        mark = listener.mark()
        desktop.tool("xdotool", "click", "--repeat", "3", "5")
        desktop.key("space")
        ticked = listener.expect("row 3 ticked again", lambda e: e.get("pid") == listener.program
                                 and e.get("source", {}).get("role") == "list item")
        check(is_event("object:state-changed:checked", "list item", rows[3]["name"], 2, 1)(ticked),
              f"after the wheel, heard first: {summary(ticked)}")
        heard(listener, mark, "wheel, then Space")

        # To the prefixes, as Tab goes round, and Delete on the second.
        mark = listener.mark()
        for _ in range(5):
            desktop.key("Tab")
        listener.expect("the prefixes focused", is_event("focus:", "list", PREFIXES))
        expect_row(listener, PREFIXES, 1, 3, SAMPLE[0])
        desktop.key("Down")
        expect_row(listener, PREFIXES, 2, 3, SAMPLE[1])
        heard(listener, mark, "Tab round to the prefixes, Down")

        mark = listener.mark()
        desktop.key("Delete")
        listener.expect("the prefix removed", is_event(
            "object:children-changed:remove", "list", PREFIXES))
        expect_row(listener, PREFIXES, 2, 2, SAMPLE[2])
        heard(listener, mark, "Delete")
        gone = [e for e in listener.since(mark) if e["type"] == "object:children-changed:remove"]
        check(gone[0]["source"].get("count") == 2, "the list after the removal does not hold 2")

        mark = listener.mark()
        program.click_in(CLEAR_LIST)
        cleared = listener.expect("the results cleared", is_event(
            "object:children-changed:remove", "list", HEADER))
        check(cleared["source"].get("count") == 0, "the results are not read as empty")
        heard(listener, mark, "Clear List")

        # A million numbers, appended in many batches: told in a handful of events.
        type_count(desktop, program, LONG_RUN)
        mark = listener.mark()
        program.click_in(BUTTONS["Start Generating"])
        listener.expect(f"{LONG_RUN} results added", is_event(
            "object:children-changed:add", "list", HEADER, detail=LONG_RUN), timeout=120)
        told = [e for e in listener.since(mark) if e["type"].startswith("object:children-changed")
                and e["source"].get("name") == HEADER]
        heard(listener, mark, f"Start Generating ({LONG_RUN})")
        check(len(told) <= 3, f"a run of {LONG_RUN} numbers was told in {len(told)} events")

        check(app_name == PRODUCT, f"the program is announced as '{app_name}'")
        strangers = {e.get("app") for e in listener.heard
                     if e.get("pid") == program.process.pid and e.get("app") != PRODUCT}
        check(not strangers, f"events of the program under another name: {strangers}")
        log(f"the program is announced as '{app_name}'")

        program.close()
    except Failed as failure:
        raise Failed(f"{failure}\nThe program{program.printed() or ' printed nothing'}")
    finally:
        program.stop()


def around(desktop, command):
    """Another program of the window, on this desktop with a screen reader reading it."""
    log(f"running {' '.join(command)}")
    process = subprocess.Popen(command, env=dict(desktop.env, QT_QPA_PLATFORM="xcb"))
    reader = None
    deadline = time.monotonic() + 480  # well within the time CTest gives it
    try:
        reader = Listener(desktop.env, "--read", str(process.pid))
        while process.poll() is None:
            check(time.monotonic() < deadline, f"{command[0]} did not end within 8 minutes")
            reader.poll(0.2)  # read all along, so that the reader never waits on its output
        reader.finish()
    finally:
        if process.poll() is None:
            process.kill()
            process.wait(5)
        if reader:
            reader.stop()
    reads = reader.heard[-1]["reads"] if reader.heard else 0
    log(f"{reads} readings of its lists; exit code {process.returncode}")
    check(reads > 0, f"the lists were never read{reader.printed()}")
    return process.returncode


def missing_tools():
    missing = [t for t in ("Xvfb", "xdotool", "xclip", "dbus-daemon", "dbus-send")
               if not shutil.which(t)]
    if not os.access(BUS_LAUNCHER, os.X_OK):
        missing.append(BUS_LAUNCHER)
    if subprocess.run([sys.executable, "-c", "import pyatspi"], capture_output=True).returncode:
        missing.append("pyatspi")
    return missing


def listen():
    """The listener: prints "ready", then one JSON line per event, until its input ends."""
    import pyatspi
    from gi.repository import GLib

    def part(out, key, get):
        try:
            out[key] = get()
        except Exception:  # an object gone by the time it is read: what it was is not known
            pass

    def describe(acc):
        out = {}
        if acc is None:
            return out
        part(out, "role", acc.getRoleName)
        part(out, "name", lambda: acc.name)
        part(out, "states", lambda: sorted(
            pyatspi.stateToString(s) for s in acc.getState().getStates()))
        part(out, "interfaces", acc.get_interfaces)
        part(out, "index", acc.getIndexInParent)
        part(out, "of", lambda: acc.parent.childCount)
        part(out, "in", lambda: acc.parent.name)
        part(out, "count", lambda: acc.childCount)
        part(out, "pid", acc.get_process_id)
        if "Table" in out.get("interfaces", []):
            part(out, "rows", lambda: acc.queryTable().nRows)
        if out.get("role") == "list item":
            def extents():
                e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                return [e.x, e.y, e.width, e.height]
            part(out, "extents", extents)
        return out

    def heard(event):
        out = {"type": event.type, "detail1": event.detail1, "detail2": event.detail2,
               "source": describe(event.source)}
        part(out, "app", lambda: event.host_application.name)
        part(out, "pid", lambda: event.host_application.get_process_id())
        if hasattr(event.any_data, "getRoleName"):
            out["any"] = describe(event.any_data)
        print(json.dumps(out), flush=True)

    def input_ended(*_):
        if not os.read(sys.stdin.fileno(), 4096):
            pyatspi.Registry.stop()
            return False
        return True

    pyatspi.Registry.registerEventListener(heard, *EVENTS)
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, input_ended)
    print("ready", flush=True)
    pyatspi.Registry.start()
    return 0


def read(pid):
    """The reader: what a screen reader reads of every list of the program, ten times a second,
    until its input ends; then prints how many lists it read."""
    import pyatspi
    from gi.repository import GLib

    reads = 0

    def lists(acc, depth=0):
        if acc is None or depth > 12:
            return
        if acc.getRole() == pyatspi.ROLE_LIST:
            yield acc
            return  # its children are its rows
        for child in acc:
            yield from lists(child, depth + 1)

    def read_list(acc):
        acc.name, acc.getState().getStates(), acc.childCount, acc.getIndexInParent()
        table = acc.queryTable()
        for row in range(min(table.nRows, 8)):
            cell = table.getAccessibleAt(row, 0)
            cell.name, cell.getState().getStates(), cell.getIndexInParent()
            cell.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)

    def tick():
        nonlocal reads
        try:
            for app in pyatspi.Registry.getDesktop(0):
                if app is not None and app.get_process_id() == pid:
                    for acc in lists(app):
                        read_list(acc)
                        reads += 1
        except Exception:  # a window or a row gone while it was read
            pass
        return True

    def input_ended(*_):
        if not os.read(sys.stdin.fileno(), 4096):
            print(json.dumps({"reads": reads}), flush=True)
            pyatspi.Registry.stop()
            return False
        return True

    GLib.timeout_add(100, tick)
    GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, input_ended)
    print("ready", flush=True)
    pyatspi.Registry.start()
    return 0


def main():
    if sys.argv[1:2] == ["--listen"]:
        return listen()
    if sys.argv[1:2] == ["--read"] and len(sys.argv) == 3:
        return read(int(sys.argv[2]))
    if len(sys.argv) < 2 or (sys.argv[1] == "--around" and len(sys.argv) < 3):
        print(__doc__)
        return 2
    missing = missing_tools()
    if missing:
        print("skipped: " + ", ".join(missing) + " not installed (scripts/setup.sh installs them)")
        return SKIPPED
    with tempfile.TemporaryDirectory(prefix="dialroster-a11y-") as work:
        desktop = Desktop(os.path.join(work, "home"))
        session = SessionBus(desktop, work)
        bus = AccessibilityBus(desktop.env)
        listener = None
        try:
            desktop.start()
            session.start()
            bus.start()
            if sys.argv[1] == "--around":
                return around(desktop, [os.path.abspath(sys.argv[2])] + sys.argv[3:])
            listener = Listener(desktop.env)
            scenario(desktop, listener, os.path.abspath(sys.argv[1]))
        except (Failed, subprocess.TimeoutExpired) as failure:
            print(f"FAILED: {failure}", flush=True)
            return 1
        finally:
            if listener:
                listener.stop()
            bus.stop()
            session.stop()
            desktop.stop()
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
