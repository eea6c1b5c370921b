#!/bin/sh
# Builds the .deb from the build tree and checks its contents and its declared dependencies.
# Skipped (77) where the Debian tools are not installed.
set -u
build=$1
out=$2
status=0
fail() { echo "FAIL: $*"; status=1; }

for tool in cpack dpkg-deb dpkg; do
    command -v $tool >/dev/null 2>&1 || { echo "$tool is not installed"; exit 77; }
done

rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out") >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
set -- "$out"/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || { fail "expected one .deb in $out, found: $*"; exit 1; }
deb=$1
echo "built $deb"

[ "$(dpkg-deb -f "$deb" Package)" = dialroster ] || fail "the package is not named dialroster"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] ||
    fail "the package is not for $(dpkg --print-architecture)"

# The declared dependencies, by name without versions.
depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/(.*)//; s/^ *//; s/ *$//' | grep -v '^$')
echo "Depends: $(echo $depends)"
for needed in libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite \
    libxlsxwriter4 xdg-utils 'file | libfile-mimeinfo-perl' fonts-liberation2; do
    printf '%s\n' "$depends" | grep -q -x -F "$needed" || fail "Depends lacks $needed"
done
# Qt's Wayland plugin: without it a Wayland session runs the program through Xwayland, or not at all.
printf '%s\n' "$depends" | grep -q -x -F qt6-wayland || fail "Depends lacks qt6-wayland"

# Every shared library the packaged program loads comes from a declared dependency.
unpacked=$out/unpacked
dpkg-deb -x "$deb" "$unpacked"
if command -v readelf >/dev/null 2>&1; then
    program=$unpacked/usr/lib/dialroster/dialroster
    for soname in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        # Ask for the library of this machine's architecture, in whichever of /lib and /usr/lib
        # its package keeps it.
        found=$(ldd "$program" | awk -v name="$soname" '$1 == name { print $3 }')
        arch_dir=$(basename "$(dirname "$found")")
        owner=$(dpkg -S "*/$arch_dir/$soname" 2>/dev/null | head -n 1 | sed 's/[:,].*//')
        if [ -z "$owner" ]; then
            fail "no installed package provides $soname"
        elif ! printf '%s\n' "$depends" | grep -q -x -F "$owner"; then
            fail "the program needs $soname from $owner, which Depends does not name"
        fi
    done
fi

# The contents: one program folder, the link in /usr/bin, and the desktop's files.
contents=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
for entry in \
    "./usr/bin/dialroster -> ../lib/dialroster/dialroster" \
    ./usr/lib/dialroster/dialroster \
    ./usr/lib/dialroster/areacodes.mdb \
    ./usr/lib/dialroster/HAND-M.CUR \
    ./usr/share/applications/dialroster.desktop \
    ./usr/share/metainfo/example.quillane.dialroster.metainfo.xml \
    ./usr/share/icons/hicolor/48x48/apps/dialroster.png \
    ./usr/share/icons/hicolor/256x256/apps/dialroster.png \
    ./usr/share/icons/hicolor/scalable/apps/dialroster.svg; do
    printf '%s\n' "$contents" | grep -q -x -F "$entry" || fail "the package lacks $entry"
done
printf '%s\n' "$contents" | grep -q '^\./usr/local/' && fail "the package installs into /usr/local"

[ $status -eq 0 ] && echo "the package is as expected"
exit $status
