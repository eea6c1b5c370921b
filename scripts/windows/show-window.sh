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
# Wider than the window with its frame (1064 pixels and more).
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp &
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
# The window's font is Arial; Liberation Sans has its metrics, as on Linux.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f \
    >/dev/null 2>&1

# First as an X window of its own, where its title and size can be read.
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
echo "The window \"$title\" appeared:"
xdotool getwindowgeometry "$window"
wineserver -k
wait "$wine_pid" 2>/dev/null || true

# Then the picture, inside a Wine desktop, which draws the frame and title bar as Windows does
# (the X server here has no window manager to draw them).
wine explorer /desktop=dialroster,1280x800 "$exe" &
wine_pid=$!
desktop=
for _ in $(seq 120); do
    desktop=$(xdotool search --onlyvisible --name "Wine desktop" 2>/dev/null | head -n 1 || true)
    [ -n "$desktop" ] && break
    sleep 1
done
# The program has drawn itself once its frame is no longer the only thing on the desktop; the
# picture is taken when two in a row, a second apart, are alike.
previous=
for _ in $(seq 60); do
    sleep 1
    import -window root "$picture"
    current=$(md5sum <"$picture")
    [ "$current" = "$previous" ] && [ "$(convert "$picture" -format '%k' info:)" -gt 2 ] && break
    previous=$current
done
echo "Saved $picture"
