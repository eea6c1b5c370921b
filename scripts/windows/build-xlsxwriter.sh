#!/usr/bin/env bash
# Builds libxlsxwriter for Windows from Debian's source package, as a static library against
# Debian's MinGW zlib, once: kept outside the clone in a folder named after the version and the
# options. Prints the folder (its install prefix) as its last line.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cache=${DIALROSTER_BUILD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dialroster-build}
jobs=${JOBS:-2}
version=1.1.4

options=(
    -G Ninja
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DBUILD_TESTS=OFF
    -DBUILD_EXAMPLES=OFF
    -DUSE_SYSTEM_MINIZIP=OFF
    # MinGW's tmpfile() wants the root of the drive; the library's own writes into the temporary
    # folder.
    -DUSE_STANDARD_TMPFILE=OFF
)
key=$( (printf '%s\n' "$version" "${options[@]}"; x86_64-w64-mingw32-g++-posix --version | head -1) \
      | sha256sum | cut -c1-12)
prefix=$cache/xlsxwriter-$version-mingw-$key

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

# Two builds at once (two clones, say) wait for each other rather than share a build folder.
mkdir -p "$cache"
exec 9>"$prefix.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

src=$cache/src
work=$cache/work-xlsxwriter-$key
mkdir -p "$src" "$work"
if ! compgen -G "$src/libxlsxwriter_${version}.orig.tar.gz" >/dev/null; then
    (cd "$src" && apt-get source --download-only libxlsxwriter >&2)
fi
rm -rf "$work"/*
tar -C "$work" -xzf "$src/libxlsxwriter_${version}.orig.tar.gz"

rm -rf "$prefix"
cmake -S "$work/libxlsxwriter-RELEASE_$version" -B "$work/build" "${options[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib >&2
nice -n 15 cmake --build "$work/build" -j"$jobs" >&2
cmake --install "$work/build" >&2
touch "$prefix/.complete"
echo "$prefix"
