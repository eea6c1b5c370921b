#!/usr/bin/env bash
# Builds libxlsxwriter for Windows from Debian's source package, as a static library against
# Debian's MinGW zlib, once: kept outside the clone in a folder named after the version and the
# options. Prints the folder (its install prefix) as its last line.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/cached-build.sh"
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
cached_prefix "xlsxwriter-$version" "$version" "${options[@]}"
reuse_or_lock

work=$cache/work-xlsxwriter-$key
mkdir -p "$work"
fetch_source libxlsxwriter "libxlsxwriter_${version}.orig.tar.gz"
rm -rf "$work"/*
tar -C "$work" -xzf "$src/libxlsxwriter_${version}.orig.tar.gz"

rm -rf "$prefix"
cmake -S "$work/libxlsxwriter-RELEASE_$version" -B "$work/build" "${options[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR=lib >&2
nice -n 15 cmake --build "$work/build" -j"$jobs" >&2
cmake --install "$work/build" >&2
touch "$prefix/.complete"
echo "$prefix"
