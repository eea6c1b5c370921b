#!/usr/bin/env bash
# The program for Windows, from a clone: installs what is missing, builds (or finds) Qt and
# libxlsxwriter for Windows, builds the build's own tools for this machine, then the program and
# its core suites for Windows into build-windows/, and packs the installer and the zip.
#   scripts/windows/build.sh [build folder]
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=${1:-$source_dir/build-windows}
jobs=${JOBS:-2}

"$here/setup.sh"
qt=$("$here/build-qt.sh" | tail -n 1)
xlsxwriter=$("$here/build-xlsxwriter.sh" | tail -n 1)

# The hand pointer, the area-code store and the icon are made on this machine by the tools built
# for it.
cmake -S "$source_dir" -B "$build/host-tools" -G Ninja -DCMAKE_BUILD_TYPE=Release
nice -n 10 cmake --build "$build/host-tools" -j"$jobs" \
    --target make_cursor make_area_code_store make_icon

cmake -S "$source_dir" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$qt;$xlsxwriter" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DDIALROSTER_HOST_TOOLS="$build/host-tools/dialroster-tools.cmake"
nice -n 10 cmake --build "$build" -j"$jobs"
(cd "$build" && cpack)
