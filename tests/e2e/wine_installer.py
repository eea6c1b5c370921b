#!/usr/bin/python3
"""What a Windows user gets, tried under Wine in a prefix of its own: the portable zip and the
executable's icon and imports, then the installer run silently (/S), the program started from
its Start-menu entry, and the uninstaller run silently, which must leave nothing behind but the
user's settings.
Usage: wine_installer.py <build folder> <package name> <product icon .ico> <cpack>
The packages are made with cpack first when they are missing or older than the program. Exits 77
(skipped) when the tools are missing.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

from real_window import (PRODUCT, SKIPPED, Desktop, Failed, Program, check, left_running, log,
                         wait_for)
from wine_window import SECTION_KEY, SETTINGS_KEY, Wine

UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\dialroster"
# What the program folder holds; the program loads nothing else but the system's own libraries.
PROGRAM_FILES = {"dialroster.exe", "areacodes.mdb", "HAND-M.CUR"}
RT_ICON, RT_GROUP_ICON = 3, 14


class PortableExecutable:
    """The parts of a Windows executable the test reads: its resources and its imports."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        check(data[:2] == b"MZ", f"{path} is no Windows executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        check(data[pe:pe + 4] == b"PE\0\0", f"{path} has no PE header")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        check(magic == 0x20B, f"{path} is not a 64-bit program")
        self.directories = [struct.unpack_from("<II", data, optional + 112 + 8 * i)
                            for i in range(16)]
        self.sections = []
        for i in range(sections):
            at = optional + optional_size + 40 * i
            size, address, raw_size, raw = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((address, max(size, raw_size), raw))

    def offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return raw + rva - address
        raise Failed(f"address {rva:#x} lies in no section")

    def resources(self, kind):
        """{id: bytes} of the resources of one type, in every language."""
        root = self.offset(self.directories[2][0])

        def entries(at):
            named, numbered = struct.unpack_from("<HH", self.data, at + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, at + 16 + 8 * i)
                yield name, target

        found = {}
        for name, target in entries(root):
            if name != kind or not target & 0x80000000:
                continue
            for number, languages in entries(root + (target & 0x7FFFFFFF)):
                for _, leaf in entries(root + (languages & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, root + leaf)
                    found[number] = self.data[self.offset(rva):self.offset(rva) + size]
        return found

    def imports(self):
        """The names of the libraries the program loads at its start."""
        rva, size = self.directories[1]
        names = []
        at = self.offset(rva)
        while True:
            name = struct.unpack_from("<12xI", self.data, at)[0]
            if not name:
                return names
            start = self.offset(name)
            names.append(self.data[start:self.data.index(b"\0", start)].decode())
            at += 20


def icon_images(path):
    """The images of an .ico file: [(width, height, bits per pixel, bytes)]."""
    with open(path, "rb") as f:
        data = f.read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    check(kind == 1, f"{path} is no icon file")
    images = []
    for i in range(count):
        width, height, _, _, _, bits, size, at = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        images.append((width or 256, height or 256, bits, data[at:at + size]))
    return images


def check_icon_resource(executable, icon):
    """The executable's first icon group holds the product icon's images, byte for byte."""
    program = PortableExecutable(executable)
    groups = program.resources(RT_GROUP_ICON)
    check(groups, f"{executable} has no icon")
    pictures = program.resources(RT_ICON)
    group = groups[min(groups)]
    count = struct.unpack_from("<4xH", group, 0)[0]
    shown = []
    for i in range(count):
        width, height, _, _, _, bits, _, number = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        shown.append((width or 256, height or 256, bits, pictures.get(number)))
    wanted = icon_images(icon)
    check(sorted(shown) == sorted(wanted),
          f"the icon of {os.path.basename(executable)} holds "
          f"{[f'{w}x{h}x{b}' for w, h, b, _ in shown]}, the product icon "
          f"{[f'{w}x{h}x{b}' for w, h, b, _ in wanted]}")
    return [f"{w}x{h}" for w, h, _, _ in wanted]


def packed(build, package, cpack):
    """The installer and the zip, packed anew when the program is newer than either."""
    installer = os.path.join(build, package + ".exe")
    archive = os.path.join(build, package + ".zip")
    newest = max(os.path.getmtime(os.path.join(build, n)) for n in PROGRAM_FILES)
    if not all(os.path.exists(p) and os.path.getmtime(p) >= newest for p in (installer, archive)):
        packing = time.monotonic()
        done = subprocess.run([cpack], cwd=build, capture_output=True, timeout=600)
        check(done.returncode == 0, "cpack failed:\n" + done.stdout.decode(errors="replace"))
        log(f"packed the installer and the zip in {time.monotonic() - packing:.1f}s")
    for path in (installer, archive):
        log(f"{os.path.basename(path)}: {os.path.getsize(path):,} bytes")
    return installer, archive


def check_zip(archive, package, icon, work, system_libraries):
    with zipfile.ZipFile(archive) as z:
        names = {n[len(package) + 1:] for n in z.namelist() if not n.endswith("/")}
        check(all(n.startswith(package + "/") for n in z.namelist()),
              "the zip holds files outside its one folder")
        check(names == PROGRAM_FILES, f"the zip's folder holds {sorted(names)}")
        z.extractall(work)
    folder = os.path.join(work, package)
    shown = check_icon_resource(os.path.join(folder, "dialroster.exe"), icon)
    libraries = PortableExecutable(os.path.join(folder, "dialroster.exe")).imports()
    # api-ms-win-* name sets of the system's functions, which Windows maps to its own libraries.
    foreign = [n for n in libraries
               if n.lower() not in system_libraries and not n.lower().startswith("api-ms-win-")]
    check(not foreign, f"the program loads libraries that Windows does not have: {foreign}")
    log(f"zip: {package}/ with {', '.join(sorted(names))}; the icon's images {', '.join(shown)}; "
        f"it loads only Windows' own libraries ({len(libraries)})")
    return folder


def files_under(root):
    """Every file and folder under root, relative to it, but the temporary folders."""
    found = set()
    for folder, folders, files in os.walk(root):
        relative = os.path.relpath(folder, root)
        folders[:] = [f for f in folders if f.lower() != "temp"]
        found.update(os.path.join(relative, n) for n in folders + files)
    return found


def registry(wine, work, root):
    """The registry under root, as {key: the lines of its values} from `wine reg export`."""
    path = os.path.join(work, "export.reg")
    wine.reg("export", root, wine.windows_path(path), "/y")
    with open(path, "rb") as f:
        text = f.read().decode("utf-16").replace("\\\r\n", "")
    os.remove(path)
    keys = {}
    values = None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            values = keys.setdefault(line[1:-1], set())
        elif line.strip() and values is not None:
            values.add(line.strip())
    return keys


def changed(before, after):
    """The keys that were added, removed or changed."""
    return sorted(k for k in before.keys() | after.keys() if before.get(k) != after.get(k))


def snapshot(wine, work):
    drive = os.path.join(wine.prefix, "drive_c")
    return (files_under(drive), registry(wine, work, "HKLM\\Software"),
            registry(wine, work, "HKCU\\Software"))


def installed_program(desktop, wine, executable):
    """Starts the installed program, imports the area codes from the store in the program folder
    and closes the window; the settings say what it did."""
    # Started as the Start-menu entry starts it, but by its path: wine's start returns at once for
    # a shortcut, and the test waits on the program's own end.
    program = Program(desktop, executable, launcher=["wine"])
    try:
        check(desktop.geometry(program.window)[2:] == (1064, 376), "the window has another size")
        log("the installed program's window is there")
        program.click("Load Default Area Code Prefixes")
        program.close(timeout=30)
    finally:
        program.stop()
    codes = wine.values(SECTION_KEY).get("Prefixes", ("", ""))[1].split(";")[:-1]
    check(len(codes) == 359 and codes[0] == "201" and codes[-1] == "989",
          f"{len(codes)} area codes imported from the installed store")
    log("it imported the 359 area codes of the store beside it and kept them in the registry")


def programs_running(desktop):
    """The Windows programs running under Wine, but Wine's own services and desktop."""
    return [c for c in left_running(desktop)
            if "wineserver" not in c and not c.lower().startswith("c:\\windows\\system32\\")]


def scenario(desktop, wine, build, package, icon, cpack, work):
    installer, archive = packed(build, package, cpack)
    system32 = os.path.join(wine.prefix, "drive_c", "windows", "system32")
    system_libraries = {n.lower() for n in os.listdir(system32)}
    check_zip(archive, package, icon, work, system_libraries)

    running = programs_running(desktop)
    check(not running, f"running before the install: {running}")
    before = snapshot(wine, work)
    installing = time.monotonic()
    rc, _ = wine.run("wine", installer, "/S", timeout=300)
    check(rc == 0, f"the installer ended with {rc}")
    folder = os.path.join(wine.prefix, "drive_c", "Program Files", PRODUCT)
    check(os.path.isdir(folder), f"nothing was installed into Program Files\\{PRODUCT}")
    installed = set(os.listdir(folder))
    check(installed == PROGRAM_FILES | {"Uninstall.exe"}, f"the program folder holds {installed}")
    log(f"installed silently in {time.monotonic() - installing:.1f}s into C:\\Program Files\\"
        f"{PRODUCT}: {', '.join(sorted(installed))}")
    shown = check_icon_resource(os.path.join(folder, "dialroster.exe"), icon)

    menu = os.path.join(wine.prefix, "drive_c", "ProgramData", "Microsoft", "Windows",
                        "Start Menu", "Programs", PRODUCT)
    shortcut = os.path.join(menu, PRODUCT + ".lnk")
    check(os.path.isfile(shortcut), f"no Start-menu entry {shortcut}")
    with open(shortcut, "rb") as f:
        link = f.read()
    target = f"C:\\Program Files\\{PRODUCT}\\dialroster.exe"
    check(target.encode() in link or target.encode("utf-16-le") in link,
          "the Start-menu entry does not start the installed program")
    # Without an icon of its own a shortcut shows its program's icon, the product icon.
    has_icon_location = struct.unpack_from("<I", link, 20)[0] & 0x40
    check(not has_icon_location, "the Start-menu entry names an icon other than the program's")
    log(f"Start-menu entry {PRODUCT}.lnk starts the installed dialroster.exe, whose icon holds "
        f"the product icon's {', '.join(shown)} images")

    values = wine.values(UNINSTALL_KEY)
    check(values.get("DisplayName", ("", ""))[1] == PRODUCT,
          f"the installed programs list {values.get('DisplayName')}")
    check("Uninstall.exe" in values.get("UninstallString", ("", ""))[1],
          "the installed programs' entry has no uninstaller")
    rc, listed = wine.run("wine", "uninstaller", "--list")
    check(PRODUCT.encode() in listed, "Wine's list of installed programs does not show it")
    log(f"among the installed programs: {values['DisplayName'][1]}, "
        f"removed by {values['UninstallString'][1]}")

    installed_program(desktop, wine, os.path.join(folder, "dialroster.exe"))

    removing = time.monotonic()
    rc, _ = wine.run("wine", os.path.join(folder, "Uninstall.exe"), "/S", timeout=120)
    check(rc == 0, f"the uninstaller ended with {rc}")
    # The uninstaller runs from a copy of itself in the temporary folder, so that it can remove
    # its own file; the one started ends at once, and the copy when it is done.
    wait_for("the uninstaller to end", lambda: not programs_running(desktop), timeout=120)
    check(not os.path.exists(folder), "the program folder is still there")
    check(not os.path.exists(menu), "the Start-menu entry is still there")
    check(not wine.values(UNINSTALL_KEY), "the installed programs still list it")
    log(f"uninstalled silently in {time.monotonic() - removing:.1f}s")

    after = snapshot(wine, work)
    files = sorted(after[0] - before[0])
    check(not files, f"left behind: {files}")
    gone = sorted(before[0] - after[0])
    check(not gone, f"removed what was there before: {gone}")
    machine = changed(before[1], after[1])
    check(not machine, f"the machine's registry differs under {machine[:10]}")
    # The user's registry keeps the settings and nothing else of the program; Wine keeps notes
    # of its own there as programs run.
    settings = "HKEY_CURRENT_USER\\" + SETTINGS_KEY[5:SETTINGS_KEY.rindex("\\")]
    user = [k for k in changed(before[2], after[2])
            if not k.startswith((settings, "HKEY_CURRENT_USER\\Software\\Wine\\"))]
    check(not user, f"the user's registry differs under {user[:10]}")
    check(wine.values(SECTION_KEY).get("Prefixes"), "the user's settings went with the program")
    log("nothing left behind in drive C: or the registry but the user's settings")


def main():
    if len(sys.argv) != 5:
        print(__doc__)
        return 2
    missing = [t for t in ("Xvfb", "xdotool", "wine", "wineserver")
               if not shutil.which(t)]
    if missing:
        print("skipped: " + ", ".join(missing) + " not installed "
              "(scripts/windows/setup.sh installs them)")
        return SKIPPED
    build, package, icon, cpack = sys.argv[1:]
    build, icon = os.path.abspath(build), os.path.abspath(icon)
    prefix = os.path.join(build, "wine-installer")
    # Every run installs into a Windows that never saw the program.
    shutil.rmtree(prefix, ignore_errors=True)
    with tempfile.TemporaryDirectory(prefix="dialroster-installer-") as work:
        desktop = Desktop(os.path.join(work, "home"))
        wine = Wine(desktop, prefix)
        try:
            desktop.start()
            wine.start()
            scenario(desktop, wine, build, package, icon, cpack, work)
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
