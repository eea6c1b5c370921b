#!/usr/bin/env bash
# Starts the Windows program under Wine on an X server of its own, waits for its window, and
# takes a picture of the screen.
#   scripts/windows/show-window.sh <dialroster.exe> <picture.png>
# Wine keeps its own registry and files in <build folder>/wine, never in the user's ~/.wine.
set -euo pipefail

exe=$(realpath "$1")
picture=$(realpath -m "$2")
title="Brindlemoor Dial Roster Maker Studio Suite"
export WINEPREFIX=${WINEPREFIX:-$(dirname "$exe")/wine}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko to install: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

# A display number of its own, so as not to meet another X server on this machine.
for _ in $(seq 20); do
    display=$((100 + RANDOM % 800))
    [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp &
xvfb=$!
wine_pid=
cleanup() {
    [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
    WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=:$display
for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

wineboot -i >/dev/null 2>&1 || true
wine "$exe" &
wine_pid=$!
window=
for _ in $(seq 120); do
    window=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 1
done
if [ -z "$window" ]; then
    echo "No window titled \"$title\" appeared." >&2
    exit 1
fi
# Let the window finish drawing.
sleep 3
xdotool getwindowgeometry "$window"
import -window root "$picture"
echo "Saved $picture"
