#!/bin/sh
# Runs the desktop's own validators over the launcher entry and the AppStream metainfo.
# Skipped (77) where neither validator is installed.
set -u
desktop_entry=$1
metainfo=$2
ran=0
status=0

if command -v desktop-file-validate >/dev/null 2>&1; then
    ran=1
    # Warnings count too: a menu may ignore an entry it only warns about.
    out=$(desktop-file-validate "$desktop_entry" 2>&1) || status=1
    if printf '%s\n' "$out" | grep -E -q 'error|warning'; then
        status=1
    fi
    [ -n "$out" ] && printf '%s\n' "$out"
fi

if command -v appstreamcli >/dev/null 2>&1; then
    ran=1
    appstreamcli validate --no-net "$metainfo" || status=1
fi

[ $ran -eq 1 ] || { echo "neither desktop-file-validate nor appstreamcli is installed"; exit 77; }
exit $status
