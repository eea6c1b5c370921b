#!/bin/sh
# Installs the build tree into an empty prefix and checks where everything lands: the program and
# the files it looks for beside itself in one folder, a relative link to it in bin/, and the
# launcher entry, metainfo and icons where the desktop looks for them.
set -u
build=$1
prefix=$2
program_dir=lib/dialroster
status=0
fail() { echo "FAIL: $*"; status=1; }

rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; exit 1; }
cd "$prefix" || exit 1

# The link in bin/ must survive moving the whole prefix, so it is relative, and it must lead to
# the real program, whose folder is the program folder.
if [ -L bin/dialroster ]; then
    case $(readlink bin/dialroster) in
        /*) fail "bin/dialroster links to an absolute path: $(readlink bin/dialroster)" ;;
    esac
    [ "$(dirname "$(readlink -f bin/dialroster)")" = "$(readlink -f $program_dir)" ] ||
        fail "bin/dialroster leads to $(readlink -f bin/dialroster), not into $program_dir"
else
    fail "bin/dialroster is not a link"
fi
[ -f $program_dir/dialroster ] && [ ! -L $program_dir/dialroster ] && [ -x $program_dir/dialroster ] ||
    fail "$program_dir/dialroster is not the program"

# Whatever the build places beside the program is installed beside it.
for name in areacodes.mdb HAND-M.CUR x/o.cjs; do
    if [ -e "$build/$name" ] && [ ! -f "$program_dir/$name" ]; then
        fail "$name lies beside the program in the build tree but not in $program_dir"
    fi
done
for name in areacodes.mdb HAND-M.CUR; do
    [ -s "$program_dir/$name" ] || fail "$program_dir/$name is missing"
done

[ -f share/applications/dialroster.desktop ] || fail "the launcher entry is missing"
[ -f share/metainfo/example.quillane.dialroster.metainfo.xml ] || fail "the metainfo is missing"
[ -f share/icons/hicolor/scalable/apps/dialroster.svg ] || fail "the scalable icon is missing"
for size in 16 22 24 32 48 64 128 256; do
    png=share/icons/hicolor/${size}x$size/apps/dialroster.png
    if [ -f "$png" ]; then
        # The width and height words of the PNG header must match the theme folder.
        dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
        [ "$dims" = "${size}x$size" ] || fail "$png is $dims"
    else
        fail "$png is missing"
    fi
done

# Nothing else: no build helpers, no stray copies of the program's files in bin/.
strays=$(find . \( -type f -o -type l \) | sed 's|^\./||' | grep -v -E \
    "^(bin/dialroster|$program_dir/.*|share/applications/dialroster\.desktop|share/metainfo/.*|share/icons/hicolor/.*)$")
[ -z "$strays" ] || fail "unexpected files installed: $strays"

# A program that still looks for libraries in the build tree works only on the build machine.
if command -v readelf >/dev/null 2>&1; then
    if readelf -d $program_dir/dialroster | grep -E 'R(UN)?PATH' | grep -q -F "$build"; then
        fail "the installed program has a library path into the build tree"
    fi
fi

if command -v appstreamcli >/dev/null 2>&1; then
    # Checks the metainfo against the installed launcher entry and icons.
    appstreamcli validate-tree --no-net . || fail "appstreamcli rejects the installed tree"
fi

[ $status -eq 0 ] && echo "install layout in $prefix is as expected"
exit $status
