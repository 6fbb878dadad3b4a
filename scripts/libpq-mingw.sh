#!/usr/bin/env bash
# Builds a static libpq (PostgreSQL's client library) for 64-bit Windows
# (MinGW-w64) from Debian's own postgresql-15 source package, the same version
# as the Linux build's libpq-dev, and installs lib/libpq.a and the client
# headers into a cache outside the checkout. Prints the prefix on its last line
# of standard output.
#
#   scripts/libpq-mingw.sh            build when missing, reuse when complete
#   scripts/libpq-mingw.sh --prefix   only print the prefix it would use
#
# The cache is ${GVC_LIBPQ_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/g-varnest}/libpq-<version>-mingw-<key>,
# where <key> is a hash of this script and of the Debian version of libpq-dev,
# so a change of the build options (they are in this script) or a new Debian
# revision builds a new tree beside the old one. The tree is staged and moved
# into place in one rename, and the file .complete is written into it last: a
# tree without that file is never used. The Windows CMake configure finds the
# tree through the same --prefix (cmake/GvcMingwLibpq.cmake).
#
# The source package is fetched as scripts/sqlite-mingw.sh fetches sqlite3's:
# a private apt configuration made of the machine's own package sources turned
# into source-package entries (scripts/apt-source-lists.sh). A Debian revision
# published only in the security suite may be missing from the mirror's pool;
# the other revisions of the same PostgreSQL major version are then tried,
# newest first.
#
# Only the client library is built: PostgreSQL's configure for the MinGW-w64
# compiler of the posix thread model (the program's own) without readline,
# zlib, ICU, OpenSSL (Debian carries no OpenSSL for MinGW: no TLS), GSSAPI,
# LLVM, LZ4 or Zstandard, then src/interfaces/libpq with the parts of
# src/common and src/port it needs. Configure is most of the time; its answers
# are kept in a cache file beside the trees (.libpq-configure-<key>.cache,
# keyed by the configure options, the upstream version and the compiler), so a
# rebuild after a change of this script or of the Debian revision is quicker.
#
# PostgreSQL's Windows build makes libpq.dll only. The static library is made
# from the same objects: libpq's own and the members of libpgcommon_shlib.a and
# libpgport_shlib.a they need are linked into one relocatable object, in which
# every global symbol but libpq's exported API (its exports.txt) is made local.
# That matters: libpq brings its own small pthread_mutex_lock and friends for
# Windows, which would otherwise meet winpthreads' (the C++ runtime's) in the
# program, and PostgreSQL's port layer defines names such as pg_snprintf and
# pgwin32_open that are nobody else's business. A program links lib/libpq.a
# with the Windows libraries named in lib/libpq.libs; nothing ships beside it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
say() { printf '[libpq-mingw %4ds] %s\n' $((SECONDS - started)) "$*" >&2; }

mingw=x86_64-w64-mingw32
configure_options=(--host="$mingw" --without-readline --without-zlib --without-icu --without-openssl
    --without-gssapi --without-llvm --without-lz4 --without-zstd --without-ldap --without-pam --disable-nls)
# The Windows libraries libpq calls: sockets, SSPI authentication, the
# security and registry API of its port layer, and the shell's folder lookup
# (%APPDATA%\postgresql\pgpass.conf).
windows_libs=(ws2_32 secur32 advapi32 shell32)
jobs=${GVC_LIBPQ_JOBS:-2}

# The Debian version of libpq: the Linux build's, so that both programs carry
# the same client library.
debian_version() {
    local p v
    for p in libpq-dev libpq5; do
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
    echo "usage: libpq-mingw.sh [--prefix]" >&2
    exit 2
    ;;
esac
if [ -z "${1:-}" ]; then
    "$top/scripts/install-deps.sh" libpq-dev dpkg-dev make perl bzip2 g++-mingw-w64-x86-64-posix
fi
version=$(debian_version) || {
    echo "neither libpq-dev nor libpq5 is installed: no libpq version to build" >&2
    exit 1
}
upstream=${version#*:}
upstream=${upstream%%-*}
major=${upstream%%.*}
source_package=postgresql-$major
key=$( (
    echo "$version"
    cat "$0"
) | sha256sum | cut -c1-12)
cache_root=${GVC_LIBPQ_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/g-varnest}
prefix="$cache_root/libpq-$upstream-mingw-$key"

if [ "${1:-}" = --prefix ]; then
    echo "$prefix"
    exit 0
fi
mkdir -p "$cache_root"
# One build of a key at a time: a second caller waits, then finds it complete.
exec 9>"$cache_root/.libpq-$key.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
    say "cached: $prefix"
    echo "$prefix"
    exit 0
fi

cc=$(command -v "$mingw-gcc-posix" || true)
for tool in ar ld objcopy nm; do
    command -v "$mingw-$tool" >/dev/null || {
        echo "no $mingw-$tool (binutils-mingw-w64-x86-64)" >&2
        exit 1
    }
done
[ -n "$cc" ] || {
    echo "no MinGW-w64 C compiler of the posix thread model ($mingw-gcc-posix)" >&2
    exit 1
}

work=$(mktemp -d "$cache_root/.libpq-build-$key.XXXXXX")
# GVC_LIBPQ_KEEP_WORK=1 keeps the build folder of a failed build for a look.
trap 'if [ -f "$prefix/.complete" ] || [ "${GVC_LIBPQ_KEEP_WORK:-}" != 1 ]; then rm -rf "$work"; else say "kept $work"; fi' EXIT

# --- Source ----------------------------------------------------------------------
dl="$work/download"
mkdir -p "$dl/lists/partial" "$dl/archives/partial"
"$top/scripts/apt-source-lists.sh" "$dl/parts"
apt_private=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dl/parts"
    -o "Dir::State::Lists=$dl/lists" -o "Dir::Cache::Archives=$dl/archives" -o APT::Sandbox::User=root
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=) # no package cache written beside the machine's
say "fetching the $source_package source package ($version)"
apt-get "${apt_private[@]}" update -qq
fetch() { (cd "$dl" && apt-get "${apt_private[@]}" source --download-only -qq "$source_package=$1") 2>"$work/fetch.err"; }
if ! fetch "$version"; then
    say "$source_package=$version cannot be fetched ($(tail -n 1 "$work/fetch.err")); trying the others of PostgreSQL $major"
    rm -f "$dl/${source_package}_"*
    fetched_one=
    for other in $(apt-cache "${apt_private[@]}" showsrc "$source_package" | sed -n 's/^Version: //p' | sort -rV -u); do
        [ "$other" = "$version" ] && continue
        if fetch "$other"; then
            fetched_one=$other
            break
        fi
        rm -f "$dl/${source_package}_"*
    done
    [ -n "$fetched_one" ] || {
        echo "no revision of $source_package could be fetched: $(tail -n 1 "$work/fetch.err")" >&2
        exit 1
    }
fi
dsc=$(find "$dl" -maxdepth 1 -name "${source_package}_*.dsc" | head -n 1)
fetched=$(sed -n 's/^Version: //p' "$dsc")
case "${fetched#*:}" in
"$major".*) ;;
*)
    echo "the fetched $source_package source is $fetched, not PostgreSQL $major" >&2
    exit 1
    ;;
esac
fetched_upstream=${fetched#*:}
fetched_upstream=${fetched_upstream%%-*}
say "unpacking $(basename "$dsc") with Debian's patches"
dpkg-source --no-check -x "$dsc" "$work/src" >"$work/unpack.log" 2>&1 || {
    cat "$work/unpack.log" >&2
    exit 1
}
rm -rf "$dl"

# --- Configure (the long part) ----------------------------------------------------
# In the source tree: a separate build tree would first get a copy of the
# source's folder tree and a link to each of its makefiles.
build="$work/src"
cflags=-O2
config_cache="$cache_root/.libpq-configure-$( (
    echo "$fetched_upstream ${configure_options[*]} CFLAGS=$cflags"
    "$cc" --version | head -n 1
) | sha256sum | cut -c1-12).cache"
run_configure() {
    (cd "$build" && ./configure "${configure_options[@]}" CC="$cc" CFLAGS="$cflags" \
        --cache-file="$work/config.cache" >"$work/configure.log" 2>&1)
}
if [ -f "$config_cache" ]; then
    say "configuring PostgreSQL $fetched_upstream for $mingw (with the cached answers)"
    cp "$config_cache" "$work/config.cache"
    # A cache that configure refuses is dropped, and configure asks everything again.
    run_configure || {
        say "configure refused its cached answers ($(tail -n 1 "$work/configure.log")); asking again"
        rm -f "$work/config.cache" "$config_cache"
        (cd "$build" && make distclean >/dev/null 2>&1) || true
    }
fi
if [ ! -f "$work/config.cache" ]; then
    say "configuring PostgreSQL $fetched_upstream for $mingw"
    run_configure || {
        tail -n 30 "$work/configure.log" >&2
        echo "configuring PostgreSQL for $mingw failed (log above)" >&2
        exit 1
    }
fi
cp "$work/config.cache" "$config_cache.tmp" && mv "$config_cache.tmp" "$config_cache"

# --- The client library ---------------------------------------------------------
# Only what the static library takes: the generated headers, the "_shlib"
# variants of src/port and src/common (the ones made for libpq), compiled once
# each (their makefiles build every file three times over: for programs, for
# libraries and for the server; on Windows the first two are the same), and
# libpq's objects, without its DLL.
libpq_dir="$build/src/interfaces/libpq"
cat >"$work/shlib-only.mk" <<'EOF'
%_shlib.o: %.c
	$(CC) $(CFLAGS) $(CFLAGS_SL) $(CPPFLAGS) -c $< -o $@
gvc-print-objects:
	@echo $(filter-out $(WIN32RES),$(OBJS))
EOF
# libpq's objects as its Makefile lists them, without the DLL's version resource.
read -r -a objects <<<"$(make -s --no-print-directory -C "$libpq_dir" -f Makefile -f "$work/shlib-only.mk" gvc-print-objects)"
[ "${#objects[@]}" -gt 0 ] || {
    echo "libpq's Makefile names no objects" >&2
    exit 1
}
say "building libpq with the parts of src/common and src/port it needs (make -j$jobs)"
{
    make -C "$build/src/backend" generated-headers &&
        make -C "$build/src/port" -j"$jobs" -f "$work/shlib-only.mk" -f Makefile libpgport_shlib.a &&
        make -C "$build/src/common" -j"$jobs" -f "$work/shlib-only.mk" -f Makefile libpgcommon_shlib.a &&
        make -C "$libpq_dir" -j"$jobs" "${objects[@]}"
} >"$work/make.log" 2>&1 || {
    tail -n 30 "$work/make.log" >&2
    echo "building libpq for $mingw failed" >&2
    exit 1
}
sed -n 's/^\([A-Za-z_][A-Za-z0-9_]*\)[[:space:]].*/\1/p' "$work/src/src/interfaces/libpq/exports.txt" >"$work/exports"
[ "$(wc -l <"$work/exports")" -gt 100 ] || {
    echo "too few names in libpq's exports.txt" >&2
    exit 1
}
# Every exported name is asked for (-u), as the DLL's export list does: some
# (pg_encoding_to_char, ...) live in libpgcommon and no libpq object calls them.
say "linking ${#objects[@]} objects of libpq with libpgcommon_shlib.a and libpgport_shlib.a"
mapfile -t wanted < <(sed 's/^/-u/' "$work/exports")
(cd "$libpq_dir" && "$mingw-ld" -r -o "$work/libpq-all.o" "${wanted[@]}" "${objects[@]}" -L"$build/src/common" \
    -L"$build/src/port" --start-group -lpgcommon_shlib -lpgport_shlib --end-group)
# An exported name that nothing defines would stay an undefined reference of
# the library and break every program's link.
"$mingw-nm" -u "$work/libpq-all.o" | awk '{print $NF}' | sort -u >"$work/undefined"
missing=$(sort -u "$work/exports" | comm -12 "$work/undefined" -)
[ -z "$missing" ] || {
    echo "libpq's exports without a definition: $missing" >&2
    exit 1
}
"$mingw-objcopy" --keep-global-symbols="$work/exports" "$work/libpq-all.o" "$work/libpq.o"
# Whatever is still global and defined must be libpq's API.
"$mingw-nm" -g --defined-only "$work/libpq.o" | awk '{print $NF}' | sort -u >"$work/globals"
strays=$(sort -u "$work/exports" | comm -23 "$work/globals" -)
[ -z "$strays" ] || {
    echo "symbols other than libpq's API stay global: $strays" >&2
    exit 1
}
grep -qx PQconnectdb "$work/globals" || {
    echo "PQconnectdb is not in the merged library" >&2
    exit 1
}

stage="$work/stage"
mkdir -p "$stage/include" "$stage/lib"
"$mingw-ar" rcs "$stage/lib/libpq.a" "$work/libpq.o"
printf '%s\n' "${windows_libs[@]}" >"$stage/lib/libpq.libs"
cp "$work/src/src/interfaces/libpq/libpq-fe.h" "$work/src/src/interfaces/libpq/libpq-events.h" \
    "$work/src/src/include/postgres_ext.h" "$build/src/include/pg_config_ext.h" "$stage/include/"
# pg_config.h carries PG_VERSION_NUM, where CMake's FindPostgreSQL reads the version.
grep -E '^#define (PG_VERSION|PG_VERSION_NUM|PG_MAJORVERSION|PG_MAJORVERSION_NUM) ' \
    "$build/src/include/pg_config.h" >"$stage/include/pg_config.h"
cp "$work/src/COPYRIGHT" "$stage/COPYRIGHT"
printf 'libpq %s for MinGW-w64, static, without TLS, built %s from Debian %s %s; link with: %s\n' \
    "$fetched_upstream" "$(date -u +%FT%TZ)" "$source_package" "$fetched" "${windows_libs[*]}" >"$stage/.complete"
rm -rf "$prefix"
mv "$stage" "$prefix"
say "done in $((SECONDS - started)) s: $prefix ($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
