#!/usr/bin/env bash
# Builds Qt for Windows (qtbase: Core, Gui, Widgets, Sql with SQLite, Test and the windows platform
# plugin) from Debian's own qt6-base source, with Debian's MinGW-w64, once: the result is kept
# outside the clone in a folder named after the version and the options, and a later run that
# finds it finished builds nothing. Prints the folder (Qt's install prefix) as its last line.
#
# Static: the program is then one .exe with Qt, its plugins and the C++ runtime inside, which
# needs no deployment step (windeployqt is not packaged for cross builds) and zips smaller.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/cached-build.sh"
jobs=${JOBS:-2}
qt_version=6.4.2
sqlite_version=3.40.1

# The configuration; its hash (with the compiler's version) names the folder, so a change of
# options builds a new Qt beside the old one instead of mixing the two.
qt_options=(
    -G Ninja
    -DCMAKE_BUILD_TYPE=Release
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DBUILD_SHARED_LIBS=OFF
    -DFEATURE_static_runtime=ON
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    # The tarball lacks Qt's wintab header, and the program has no use for tablets.
    -DFEATURE_tabletevent=OFF
    # Modules and features the program does not use.
    -DFEATURE_dbus=OFF
    -DFEATURE_network=OFF
    -DFEATURE_opengl=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_sql_odbc=OFF
    -DFEATURE_sql_psql=OFF
    -DFEATURE_sql_mysql=OFF
    -DFEATURE_sql_ibase=OFF
    -DFEATURE_sql_oci=OFF
    -DFEATURE_sql_db2=OFF
    -DFEATURE_sql_sqlite=ON
    -DFEATURE_system_sqlite=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_gif=OFF
    -DFEATURE_freetype=OFF
    -DFEATURE_fontconfig=OFF
    -DFEATURE_sessionmanager=OFF
    # Every window is the windows platform plugin's; the Direct2D one is a second plugin of 60
    # sources. Direct2D itself stays, as the font database asks it about colour fonts.
    -DFEATURE_direct2d1_1=OFF
    # Widgets, dialogs and document formats nothing in the program or its suites shows or writes.
    -DFEATURE_graphicsview=OFF
    -DFEATURE_graphicseffect=OFF
    -DFEATURE_mdiarea=OFF
    -DFEATURE_dockwidget=OFF
    -DFEATURE_calendarwidget=OFF
    -DFEATURE_datetimeedit=OFF
    -DFEATURE_colordialog=OFF
    -DFEATURE_fontdialog=OFF
    -DFEATURE_fontcombobox=OFF
    -DFEATURE_wizard=OFF
    -DFEATURE_commandlinkbutton=OFF
    -DFEATURE_errormessage=OFF
    -DFEATURE_columnview=OFF
    -DFEATURE_datawidgetmapper=OFF
    -DFEATURE_keysequenceedit=OFF
    -DFEATURE_lcdnumber=OFF
    -DFEATURE_dial=OFF
    -DFEATURE_splashscreen=OFF
    -DFEATURE_toolbox=OFF
    -DFEATURE_syntaxhighlighter=OFF
    -DFEATURE_systemtrayicon=OFF
    -DFEATURE_undocommand=OFF
    -DFEATURE_undostack=OFF
    -DFEATURE_undogroup=OFF
    -DFEATURE_undoview=OFF
    -DFEATURE_pdf=OFF
    -DFEATURE_textodfwriter=OFF
    -DFEATURE_textmarkdownreader=OFF
    -DFEATURE_textmarkdownwriter=OFF
    -DFEATURE_movie=OFF
    # No help by pointing, no window animations, no touch gestures.
    -DFEATURE_whatsthis=OFF
    -DFEATURE_effects=OFF
    -DFEATURE_gestures=OFF
)
cached_prefix "qt-$qt_version" "$qt_version" "$sqlite_version" "${qt_options[@]}"
reuse_or_lock

work=$cache/work-qt-$key
mkdir -p "$work"

fetch_source qt6-base "qt6-base_${qt_version}+dfsg.orig.tar.xz"
fetch_source sqlite3 "sqlite3_${sqlite_version}.orig.tar.xz"

qt_src=$work/qtbase-everywhere-src-$qt_version
if [ ! -d "$qt_src" ]; then
    tar -C "$work" -xJf "$src"/qt6-base_${qt_version}+dfsg.orig.tar.xz
    # Qt 6.4.2's Windows platform plugin asks the dynamic OpenGL loader about software GL even
    # when OpenGL is configured off, and does not build; without OpenGL the answer is no.
    sed -i '/isSoftwareGl()$/,/#endif/ s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        "$qt_src/src/plugins/platforms/windows/qwindowswindow.cpp"
fi

# Debian's tarball leaves out Qt's copy of SQLite; the SQLite driver is built with the amalgamation
# made from Debian's sqlite3 source instead.
if [ ! -f "$qt_src/src/3rdparty/sqlite/sqlite3.c" ]; then
    sqlite_src=$work/sqlite3-$sqlite_version
    [ -d "$sqlite_src" ] || tar -C "$work" -xJf "$src"/sqlite3_${sqlite_version}.orig.tar.xz
    mkdir -p "$work/sqlite-amalgamation"
    (cd "$work/sqlite-amalgamation" && "$sqlite_src/configure" --disable-tcl >/dev/null &&
        make -j"$jobs" sqlite3.c >/dev/null)
    mkdir -p "$qt_src/src/3rdparty/sqlite"
    cp "$work/sqlite-amalgamation/sqlite3.c" "$work/sqlite-amalgamation/sqlite3.h" \
       "$qt_src/src/3rdparty/sqlite/"
fi

rm -rf "$prefix"
cmake -S "$qt_src" -B "$work/build" "${qt_options[@]}" \
      -DCMAKE_TOOLCHAIN_FILE="$here/mingw-w64-x86_64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" >&2
nice -n 15 cmake --build "$work/build" -j"$jobs" >&2
cmake --install "$work/build" >&2
touch "$prefix/.complete"
echo "$prefix"
