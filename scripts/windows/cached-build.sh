# Sourced by the builds kept outside the clone (Qt, libxlsxwriter): where they live, one build of
# each at a time, and their sources from Debian's registry only.
cache=${DIALROSTER_BUILD_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/dialroster-build}
src=$cache/src

# The build's folder, named after what goes into it and the compiler, so that a change of options
# builds anew beside the old one. Sets `key` and `prefix`.
cached_prefix() {
    local name=$1
    shift
    key=$( (printf '%s\n' "$@"; x86_64-w64-mingw32-g++-posix --version | head -1) \
          | sha256sum | cut -c1-12)
    prefix=$cache/$name-mingw-$key
}

# Ends the script with the folder when it is built already; two builds at once (two clones, say)
# wait for each other rather than share a build folder.
reuse_or_lock() {
    if [ -f "$prefix/.complete" ]; then
        echo "$prefix"
        exit 0
    fi
    mkdir -p "$cache" "$src"
    exec 9>"$prefix.lock"
    flock 9
    if [ -f "$prefix/.complete" ]; then
        echo "$prefix"
        exit 0
    fi
}

fetch_source() {
    local package=$1 pattern=$2
    if ! compgen -G "$src/$pattern" >/dev/null; then
        (cd "$src" && apt-get source --download-only "$package" >&2)
    fi
}
