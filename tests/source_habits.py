#!/usr/bin/env python3
"""Habits of the sources that no compiler checks.

source_habits.py catch-all <source folder>
    No `catch (...)` in src/ but where the list below says why it is safe. The end of the
    program's loops is thrown out of their yields and caught at the window's handler boundary; a
    catch-all on the way would swallow it and let a loop run on after the window closed.
source_habits.py format <source folder>
    Every C++ file git tracks is as clang-format and .clang-format make it. Skipped (77) without
    clang-format or outside a git checkout.
"""
import os
import re
import shutil
import subprocess
import sys

SKIPPED = 77

# The catch-alls that may stay, and why.
CATCH_ALL_ALLOWED = {
    # Lets the end of the loops through before it catches anything else.
    "src/shell/core/error_trap.h",
    # The last guard after the event loop, where nothing yields any more.
    "src/app/main.cpp",
}
CATCH_ALL = re.compile(r"catch\s*\(\s*\.\.\.\s*\)")


def catch_all(root):
    found = []
    for folder, _, names in os.walk(os.path.join(root, "src")):
        for name in sorted(names):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, root).replace(os.sep, "/")
            if relative in CATCH_ALL_ALLOWED:
                continue
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    if CATCH_ALL.search(line.split("//", 1)[0]):
                        found.append(f"{relative}:{number}: {line.strip()}")
    for line in found:
        print(line)
    if found:
        print("catch (...) where a loop may yield: catch the failures meant, by their type")
        return 1
    return 0


def format_check(root):
    tool = shutil.which("clang-format")
    if tool is None:
        print("skipped: clang-format is not installed (scripts/setup.sh installs it)")
        return SKIPPED
    listed = subprocess.run(["git", "-C", root, "ls-files", "*.cpp", "*.h"],
                            capture_output=True, text=True)
    if listed.returncode != 0:
        print("skipped: not a git checkout")
        return SKIPPED
    files = listed.stdout.split()
    checked = subprocess.run([tool, "--dry-run", "-Werror", *files], cwd=root,
                             capture_output=True, text=True)
    sys.stdout.write(checked.stdout + checked.stderr)
    if checked.returncode != 0:
        print("run clang-format -i on the files above")
    return checked.returncode


def main():
    checks = {"catch-all": catch_all, "format": format_check}
    if len(sys.argv) != 3 or sys.argv[1] not in checks:
        print(__doc__)
        return 2
    return checks[sys.argv[1]](os.path.abspath(sys.argv[2]))


if __name__ == "__main__":
    sys.exit(main())
