#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, for CTest and the build's own steps:
#   wine-run.sh <program.exe> [arguments...]
# Wine's registry and files are kept in the build folder (the folder that holds CMakeCache.txt,
# found above the working folder), in wine/, never in the user's ~/.wine; a run without a display
# gets Wine's null display driver, so windowless programs need no X server.
set -euo pipefail

if [ -z "${WINEPREFIX:-}" ]; then
    build=$PWD
    while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do
        build=$(dirname "$build")
    done
    [ "$build" != / ] || build=$PWD
    export WINEPREFIX=$build/wine
fi
if [ -z "${DISPLAY:-}" ]; then
    export WINEPREFIX=$WINEPREFIX-headless
fi
export WINEDEBUG=${WINEDEBUG:--all}
# Wine turns a file's Unix mode into its access list: what a Windows program makes without a list
# of its own gets "Everyone may read" from a umask of 022. Below a Windows user's profile new
# files are the user's alone; this umask gives them that here too.
umask 077
# No Mono or Gecko to install: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

# One program at a time makes the prefix: tests run in parallel would race for it.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            wineboot -i >/dev/null 2>&1
            # The window's font is Arial; Liberation Sans has its metrics, as on Linux.
            wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial \
                /d 'Liberation Sans' /f >/dev/null 2>&1
            if [ -z "${DISPLAY:-}" ]; then
                wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
            fi
            wineserver -w
        fi
    ) 9>"$WINEPREFIX.lock"
fi
# The first program in a prefix starts Wine's own server and services, which inherit its output
# and live on after it: given a pipe (CTest's), they would hold it open and the caller would wait
# for them. They get a file instead, which is passed on once the program has ended.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
wine "$@" >"$output" 2>&1 </dev/null || status=$?
cat "$output"
exit "$status"
