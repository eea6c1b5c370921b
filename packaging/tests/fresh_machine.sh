#!/usr/bin/env bash
# The README's two commands on a minimal Debian 12 made for the purpose, and the Debian package
# on a second one. A package that setup.sh or the package's Depends forgets is there on a
# developer's machine and on CI's, so only a root that starts with nothing shows it.
#
# Root 1: git and make (what the README asks for first), a clone, `make run` until the window
# shows, then `make test`. Root 2: the package built in root 1, installed without Recommends,
# then the real-window test against the installed program.
#
# Needs root (chroot and mounts) and debootstrap; skipped otherwise. The minimal root is kept as
# a tarball in the user's cache folder, outside the clone, and made again when missing.
set -euo pipefail

if [ -n "${DIALROSTER_FRESH_ROOT:-}" ]; then
    echo "fresh machine: skipped inside the fresh root itself"
    exit 0
fi
if [ "$(id -u)" -ne 0 ] || ! command -v debootstrap >/dev/null || ! command -v unshare >/dev/null
then
    echo "fresh machine: skipped (needs root, debootstrap and unshare)"
    exit 0
fi

source_dir=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/dialroster-build
tarball=$cache/bookworm-minbase.tgz
product="Brindlemoor Dial Roster Maker Studio Suite"
started=$SECONDS
say() { printf '[%4ds] fresh machine: %s\n' $((SECONDS - started)) "$*"; }

# The mirror this machine's apt uses, so the roots reach what the machine reaches.
mirror=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' /etc/apt/sources.list.d/*.sources \
    2>/dev/null | grep -v security | head -n 1)
[ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list)

work=$(mktemp -d /var/tmp/dialroster-fresh.XXXXXX)
display_server=
cleanup() {
    [ -z "$display_server" ] || kill "$display_server" 2>/dev/null || true
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

new_root() {
    local root=$1
    if [ ! -f "$tarball" ]; then
        say "making the minimal Debian 12 tarball in $cache"
        mkdir -p "$cache"
        debootstrap --variant=minbase --make-tarball="$tarball.part" bookworm "$work/tarball" \
            "$mirror" >"$work/debootstrap.log" 2>&1 || { tail -n 20 "$work/debootstrap.log"; exit 1; }
        mv "$tarball.part" "$tarball"
        rm -rf "$work/tarball"
    fi
    debootstrap --variant=minbase --unpack-tarball="$tarball" bookworm "$root" "$mirror" \
        >"$work/debootstrap.log" 2>&1 || { tail -n 20 "$work/debootstrap.log"; exit 1; }
    # The machine's apt sources and settings, and its name server: how it reaches the mirror.
    rm -f "$root"/etc/apt/sources.list
    cp -a /etc/apt/sources.list* "$root"/etc/apt/ 2>/dev/null || true
    cp -a /etc/apt/apt.conf.d/. "$root"/etc/apt/apt.conf.d/
    cp -L /etc/resolv.conf "$root"/etc/resolv.conf
    # An installed system has its machine id from its first start; D-Bus and the desktop read it.
    od -An -N16 -tx1 /dev/urandom | tr -d ' \n' >"$root"/etc/machine-id
    mkdir -p "$root"/tmp/.X11-unix "$root"/source
    chmod 1777 "$root"/tmp
}

# Runs a shell command line as root inside a root, with a clean environment, in a mount and
# process namespace of its own: whatever it starts ends with it, and so do its mounts.
# With --background it returns at once and leaves the namespace's parent in $runner, whose end
# ends everything inside.
in_root() {
    local background=
    [ "$1" != --background ] || { background=yes; shift; }
    local root=$1
    shift
    set -- unshare --mount --pid --fork --kill-child --mount-proc="$root/proc" sh -c '
        root=$1; source=$2; shift 2
        mount --rbind /dev "$root/dev"
        mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
        mount --rbind /sys "$root/sys"
        mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
        mount --bind -o ro "$source" "$root/source"
        exec chroot "$root" env -i HOME=/root TERM=dumb LANG=C.UTF-8 DIALROSTER_FRESH_ROOT=1 \
            PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin ${DISPLAY:+DISPLAY=$DISPLAY} \
            sh -c "$1"' in_root "$root" "$source_dir" "$*"
    if [ -n "$background" ]; then
        "$@" &
        runner=$!
    else
        "$@"
    fi
}

# An X server of the machine's own, which the first root's window appears on.
start_display() {
    Xvfb -displayfd 9 -screen 0 1280x800x24 -nolisten tcp -noreset 9>"$work/display" \
        >/dev/null 2>&1 &
    display_server=$!
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n 1 "$work/display")"
}

start_display
root1=$work/root1
say "root 1: unpacking a minimal Debian 12"
new_root "$root1"
say "root 1: installing what the README asks for first (git, make)"
in_root "$root1" 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends git make >/dev/null'
in_root "$root1" 'git clone -q /source /root/dialroster'

say "root 1: make run (window on $DISPLAY)"
in_root --background "$root1" 'cd /root/dialroster && make run' >"$work/run.log" 2>&1
shown=
for _ in $(seq 1800); do
    if xdotool search --onlyvisible --name "^$product\$" >/dev/null 2>&1; then
        shown=yes
        break
    fi
    kill -0 $runner 2>/dev/null || break
    sleep 1
done
# unshare ignores a polite end while it waits for its child; killing it ends all inside.
kill -KILL $runner 2>/dev/null || true
wait $runner 2>/dev/null || true
if [ -z "$shown" ]; then
    tail -n 40 "$work/run.log"
    echo "FAILED: make run in a fresh root showed no window"
    exit 1
fi
say "root 1: make run showed the window '$product'"

say "root 1: make test"
if ! in_root "$root1" 'cd /root/dialroster && make test' >"$work/test.log" 2>&1; then
    tail -n 60 "$work/test.log"
    echo "FAILED: make test in a fresh root"
    exit 1
fi
grep -E 'tests passed|passed:|^All passed' "$work/test.log" | sed 's/^/    /'
in_root "$root1" 'cd /root/dialroster/build && cpack -G DEB -B /root/package >/dev/null'
say "root 1: make test passed"

root2=$work/root2
say "root 2: unpacking a minimal Debian 12"
new_root "$root2"
cp "$root1"/root/package/dialroster_*.deb "$root2"/root/
cp "$source_dir"/tests/e2e/real_window.py "$root2"/root/
# The test's own tools first, so that what they bring cannot stand in for a missing dependency.
in_root "$root2" 'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends python3 python3-openpyxl xvfb xauth xdotool xclip x11-utils \
    >/dev/null'
if in_root "$root2" 'dpkg-query -W -f="\${Status}\n" file libfile-mimeinfo-perl 2>/dev/null' |
    grep -q 'install ok installed'; then
    echo "FAILED: the test's tools brought a file-type tool, which the package must bring itself"
    exit 1
fi
in_root "$root2" 'DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    /root/dialroster_*.deb >/dev/null'
say "root 2: the package installed without Recommends; the real-window test"
if ! in_root "$root2" 'python3 /root/real_window.py /usr/bin/dialroster' >"$work/package.log" 2>&1
then
    tail -n 30 "$work/package.log"
    echo "FAILED: the installed package in a fresh root"
    exit 1
fi
tail -n 3 "$work/package.log" | sed 's/^/    /'
say "passed: the README's commands and the installed package on fresh Debian 12 roots"
