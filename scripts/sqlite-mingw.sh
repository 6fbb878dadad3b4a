#!/usr/bin/env bash
# Builds a static SQLite for 64-bit Windows (MinGW-w64) from Debian's own
# sqlite3 source package, the same version as the Linux build's libsqlite3-dev,
# and installs libsqlite3.a and sqlite3.h into a cache outside the checkout.
# Prints the prefix on its last line of standard output.
#
#   scripts/sqlite-mingw.sh            build when missing, reuse when complete
#   scripts/sqlite-mingw.sh --prefix   only print the prefix it would use
#
# The cache is ${GVC_SQLITE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/g-varnest}/sqlite-<version>-mingw-static-<key>,
# where <key> is a hash of this script and of the Debian version of the source,
# so a change of the compile options (they are in this script) or a new Debian
# revision builds a new tree beside the old one. The tree is staged and moved
# into place in one rename, and the file .complete is written into it last: a
# tree without that file is never used. The Windows CMake configure finds the
# tree through the same --prefix (cmake/GvcMingwSQLite.cmake).
#
# The source package is fetched with a private apt configuration: the machine's
# own package sources turned into source-package entries by
# scripts/apt-source-lists.sh, with its own lists folder, so the machine's apt
# configuration stays as it is and whatever mirror it uses serves the source;
# apt checks the archive's signatures. dpkg-source unpacks it with Debian's
# patches applied. The single-file amalgamation (sqlite3.c) is generated from
# the source tree by its own configure and make, which need tclsh; it is then
# compiled with the MinGW-w64 compiler of the posix thread model, which the
# program itself is built with.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
say() { printf '[sqlite-mingw %3ds] %s\n' $((SECONDS - started)) "$*" >&2; }

# Compile options of the library: serialized threading (the program opens the
# database from more than one thread), no loading of extension libraries (the
# program loads none, and a database can then never ask for one).
defines=(-DSQLITE_THREADSAFE=1 -DSQLITE_OMIT_LOAD_EXTENSION)
mingw=x86_64-w64-mingw32

# The Debian version of SQLite: the Linux build's, so that both programs carry
# the same SQLite.
debian_version() {
    local p v
    for p in libsqlite3-dev libsqlite3-0; do
        v=$(dpkg-query -W -f='${Status} ${Version}' "$p" 2>/dev/null | sed -n 's/^install ok installed //p')
        [ -n "$v" ] && {
            echo "$v"
            return 0
        }
    done
    return 1
}

case "${1:-}" in
--prefix | "") ;;
*)
    echo "usage: sqlite-mingw.sh [--prefix]" >&2
    exit 2
    ;;
esac
if [ -z "${1:-}" ]; then
    "$top/scripts/install-deps.sh" libsqlite3-dev tcl dpkg-dev g++-mingw-w64-x86-64-posix
fi
version=$(debian_version) || {
    echo "neither libsqlite3-dev nor libsqlite3-0 is installed: no SQLite version to build" >&2
    exit 1
}
upstream=${version#*:}
upstream=${upstream%%-*}
key=$( (
    echo "$version"
    cat "$0"
) | sha256sum | cut -c1-12)
cache_root=${GVC_SQLITE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/g-varnest}
prefix="$cache_root/sqlite-$upstream-mingw-static-$key"

if [ "${1:-}" = --prefix ]; then
    echo "$prefix"
    exit 0
fi
mkdir -p "$cache_root"
# One build of a key at a time: a second caller waits, then finds it complete.
exec 9>"$cache_root/.sqlite-$key.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
    say "cached: $prefix"
    echo "$prefix"
    exit 0
fi

cc=$(command -v "$mingw-gcc-posix" || command -v "$mingw-gcc" || true)
ar=$(command -v "$mingw-ar" || true)
[ -n "$cc" ] && [ -n "$ar" ] || {
    echo "no MinGW-w64 C compiler or ar ($mingw-gcc-posix, $mingw-ar)" >&2
    exit 1
}
command -v tclsh >/dev/null || {
    echo "no tclsh (Debian's tcl): the amalgamation cannot be generated" >&2
    exit 1
}

work=$(mktemp -d "$cache_root/.sqlite-build-$key.XXXXXX")
trap 'rm -rf "$work"' EXIT

# --- Source ----------------------------------------------------------------------
dl="$work/download"
mkdir -p "$dl/lists/partial" "$dl/archives/partial"
"$top/scripts/apt-source-lists.sh" "$dl/parts"
apt_private=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dl/parts"
    -o "Dir::State::Lists=$dl/lists" -o "Dir::Cache::Archives=$dl/archives" -o APT::Sandbox::User=root
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=) # no package cache written beside the machine's
say "fetching the sqlite3 source package ($version)"
apt-get "${apt_private[@]}" update -qq
# A revision published only in the security suite can be missing from the
# mirror's pool; the release's own revision of the same SQLite then serves.
if ! (cd "$dl" && apt-get "${apt_private[@]}" source --download-only -qq "sqlite3=$version") 2>"$work/fetch.err"; then
    say "sqlite3=$version cannot be fetched ($(tail -n 1 "$work/fetch.err")); taking the suite's sqlite3"
    rm -f "$dl"/sqlite3_*
    (cd "$dl" && apt-get "${apt_private[@]}" source --download-only -qq sqlite3)
fi
dsc=$(ls "$dl"/sqlite3_*.dsc | head -n 1)
fetched=$(sed -n 's/^Version: //p' "$dsc")
case "$fetched" in
"$upstream"-* | *:"$upstream"-*) ;;
*)
    echo "the fetched sqlite3 source is $fetched, not SQLite $upstream" >&2
    exit 1
    ;;
esac
say "unpacking $(basename "$dsc") with Debian's patches"
dpkg-source --no-check -x "$dsc" "$work/src" >"$work/unpack.log" 2>&1 || {
    cat "$work/unpack.log" >&2
    exit 1
}

# --- The amalgamation (a host build step) -------------------------------------------
say "generating sqlite3.c"
mkdir -p "$work/amalgamation"
(cd "$work/amalgamation" && "$work/src/configure" --disable-tcl >"$work/configure.log" 2>&1) || {
    tail -n 30 "$work/configure.log" >&2
    echo "configuring the SQLite source failed" >&2
    exit 1
}
make -C "$work/amalgamation" sqlite3.c >"$work/make.log" 2>&1 || {
    tail -n 30 "$work/make.log" >&2
    echo "generating sqlite3.c failed" >&2
    exit 1
}

# --- The Windows library ----------------------------------------------------------
say "compiling sqlite3.c for Windows ($(basename "$cc") ${defines[*]})"
"$cc" -O2 "${defines[@]}" -c "$work/amalgamation/sqlite3.c" -o "$work/sqlite3.o"
stage="$work/stage"
mkdir -p "$stage/include" "$stage/lib"
"$ar" rcs "$stage/lib/libsqlite3.a" "$work/sqlite3.o"
cp "$work/amalgamation/sqlite3.h" "$work/amalgamation/sqlite3ext.h" "$stage/include/" 2>/dev/null ||
    cp "$work/amalgamation/sqlite3.h" "$stage/include/"
printf 'SQLite %s for MinGW-w64, static, %s, built %s from Debian sqlite3 %s\n' "$upstream" "${defines[*]}" \
    "$(date -u +%FT%TZ)" "$fetched" >"$stage/.complete"
rm -rf "$prefix"
mv "$stage" "$prefix"
say "done in $((SECONDS - started)) s: $prefix ($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
