#!/usr/bin/env bash
# Builds a static Qt for 64-bit Windows (MinGW-w64) from Debian's own qt6-base
# source package and installs it into a cache outside the checkout. Prints the
# prefix on its last line of standard output.
#
#   scripts/qt-mingw.sh                 build when missing, reuse when complete
#   scripts/qt-mingw.sh --prefix        only print the prefix it would use
#   scripts/qt-mingw.sh --prebuilt-only take a prebuilt archive or stop (exit 3)
#                                       instead of building
#
# The cache is ${GVC_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/g-varnest}/qt-<version>-mingw-static-<key>,
# where <key> is a hash of the configure options and the toolchain file, so a
# change of either builds a new Qt beside the old one. The installed tree is
# staged and moved into place in one rename, and the file .complete is written
# into it last: a cache without that file is never used. The build tree stays
# in the cache (build-<key>) so an interrupted build continues where it stopped.
#
# A prebuilt tree: when GVC_QT_PREBUILT_DIR names a folder holding
# qt-<version>-mingw-static-<key>.tar.xz for this very key, with its line in
# that folder's SHA256SUMS, the archive is checked and unpacked instead of
# building (seconds instead of an hour). The archive holds the one folder of
# that name, .complete included; it is unpacked beside the cache and renamed
# into place. Any other key, a missing or wrong checksum or a damaged archive is
# named on standard error, and Qt is built as without the folder.
#
# Host tools (moc, rcc, uic) come from Debian's qt6-base-dev-tools of the same
# version. The source package is fetched with a private apt configuration: the
# machine's own package sources turned into source-package entries by
# scripts/apt-source-lists.sh, with its own lists folder, so the machine's apt
# configuration stays as it is and whatever mirror it uses serves the source;
# apt checks the archive's signatures.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
started=$SECONDS
say() { printf '[qt-mingw %4ds] %s\n' $((SECONDS - started)) "$*" >&2; }

# Debian bookworm's Qt; the host tools must be the same version.
qt_version=6.4.2

options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=OFF
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    # Modules and features the program does not use.
    -DFEATURE_sql=OFF
    -DFEATURE_network=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_icu=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_gif=OFF
    # FreeType stays on (bundled): the offscreen platform the window tests run
    # on under Wine draws text with it.
    -DFEATURE_system_freetype=OFF
    # Third-party code built from Qt's own copies (MinGW has no system ones).
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF
    # Debian's repacked source leaves out src/3rdparty/wintab, which the
    # qwindows plugin needs for tablet events.
    -DFEATURE_tabletevent=OFF
    # OpenGL stays on: the qwindows plugin of 6.4.2 does not compile without it.
)

toolchain="$top/cmake/mingw-w64-x86_64.cmake"
key=$( (
    echo "$qt_version"
    printf '%s\n' "${options[@]}"
    cat "$toolchain"
) | sha256sum | cut -c1-12)
cache_root=${GVC_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/g-varnest}
prefix="$cache_root/qt-$qt_version-mingw-static-$key"

prebuilt_only=0
case "${1:-}" in
--prefix)
    echo "$prefix"
    exit 0
    ;;
--prebuilt-only) prebuilt_only=1 ;;
"") ;;
*)
    echo "usage: qt-mingw.sh [--prefix | --prebuilt-only]" >&2
    exit 2
    ;;
esac
if [ -f "$prefix/.complete" ]; then
    say "cached: $prefix"
    echo "$prefix"
    exit 0
fi

# --- A prebuilt tree of this key -------------------------------------------------
# take_prebuilt: unpacks the archive of this key into the cache and succeeds, or
# says why not and fails, leaving the cache as it was.
take_prebuilt() {
    local dir=$GVC_QT_PREBUILT_DIR name archive sum actual stage
    name=$(basename "$prefix")
    archive="$dir/$name.tar.xz"
    if [ ! -f "$archive" ]; then
        local others
        others=$(cd "$dir" 2>/dev/null && ls qt-*-mingw-static-*.tar.xz 2>/dev/null | tr '\n' ' ')
        say "no prebuilt $name.tar.xz in $dir${others:+ (there: ${others% }, another key)}"
        return 1
    fi
    sum=$(awk -v file="$name.tar.xz" '$2 == file || $2 == "*" file { print $1; exit }' "$dir/SHA256SUMS" 2>/dev/null)
    if [ -z "$sum" ]; then
        say "the prebuilt $name.tar.xz has no checksum in $dir/SHA256SUMS: not used"
        return 1
    fi
    actual=$(sha256sum "$archive" | cut -d' ' -f1)
    if [ "$actual" != "$sum" ]; then
        say "the prebuilt $name.tar.xz does not match its checksum in $dir/SHA256SUMS ($actual, not $sum): not used"
        return 1
    fi
    mkdir -p "$cache_root"
    stage=$(mktemp -d "$cache_root/.prebuilt-$key.XXXXXX")
    if ! tar -xJf "$archive" -C "$stage" --no-same-owner 2>"$stage.log"; then
        say "cannot unpack the prebuilt $name.tar.xz: $(tail -n 3 "$stage.log")"
        rm -rf "$stage" "$stage.log"
        return 1
    fi
    rm -f "$stage.log"
    if [ ! -f "$stage/$name/.complete" ] || [ ! -f "$stage/$name/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
        say "the prebuilt $name.tar.xz holds no complete $name folder: not used"
        rm -rf "$stage"
        return 1
    fi
    # A folder of the same name without .complete is an unfinished install.
    rm -rf "$prefix"
    mv "$stage/$name" "$prefix"
    rm -rf "$stage"
    say "unpacked the prebuilt $name.tar.xz ($(du -sh "$prefix" | cut -f1))"
}
if [ -n "${GVC_QT_PREBUILT_DIR:-}" ] && take_prebuilt; then
    echo "$prefix"
    exit 0
fi
if [ $prebuilt_only -eq 1 ]; then
    say "no prebuilt tree taken; not building (--prebuilt-only)"
    exit 3
fi

# --- Tools -------------------------------------------------------------------
"$top/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix xz-utils perl
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
case "$host_version" in
"$qt_version"+*) ;;
*)
    echo "qt6-base-dev-tools is $host_version, not Qt $qt_version: the host tools would not fit" >&2
    exit 1
    ;;
esac

mkdir -p "$cache_root"
work="$cache_root/build-$key"
mkdir -p "$work"
toolchain_copy="$work/mingw-w64-x86_64.cmake"
cp "$toolchain" "$toolchain_copy"

# --- Source ------------------------------------------------------------------
src="$work/src"
if [ ! -f "$src/.unpacked" ]; then
    dl="$work/download"
    rm -rf "$dl" "$src"
    mkdir -p "$dl/lists/partial" "$dl/archives/partial"
    # The machine's own sources, as source-package entries; the security suite
    # may carry a newer revision of the same Qt.
    "$top/scripts/apt-source-lists.sh" "$dl/parts"
    apt_private=(-o Dir::Etc::SourceList=/dev/null -o "Dir::Etc::SourceParts=$dl/parts"
        -o "Dir::State::Lists=$dl/lists" -o "Dir::Cache::Archives=$dl/archives" -o APT::Sandbox::User=root)
    say "fetching the qt6-base source package ($host_version)"
    apt-get "${apt_private[@]}" update -qq
    (cd "$dl" && apt-get "${apt_private[@]}" source --download-only -qq "qt6-base=$host_version" ||
        apt-get "${apt_private[@]}" source --download-only -qq qt6-base)
    tarball=$(ls "$dl"/qt6-base_"$qt_version"*.orig.tar.xz | head -n 1)
    say "unpacking $(basename "$tarball")"
    mkdir -p "$src"
    tar -xJf "$tarball" -C "$src" --strip-components=1
    rm -rf "$dl"
    touch "$src/.unpacked"
fi

# --- Configure and build -------------------------------------------------------
build="$work/build"
if [ ! -f "$build/build.ninja" ]; then
    say "configuring"
    rm -rf "$build"
    cmake -S "$src" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain_copy" \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        "${options[@]}" >"$work/configure.log" 2>&1 || {
        tail -n 40 "$work/configure.log" >&2
        rm -rf "$build"
        echo "configuring Qt failed; the whole log is $work/configure.log" >&2
        exit 1
    }
fi

say "building (progress every 50 steps; the whole log is $work/build.log)"
set +e
cmake --build "$build" -j "$(nproc)" 2>&1 | tee "$work/build.log" | while IFS= read -r line; do
    if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
        step=${BASH_REMATCH[1]} steps=${BASH_REMATCH[2]}
        if [ $((step % 50)) -eq 0 ] || [ "$step" = "$steps" ]; then say "step $step of $steps"; fi
    elif [[ $line == *FAILED* || $line == *error:* ]]; then
        echo "$line" >&2
    fi
done
status=${PIPESTATUS[0]}
set -e
if [ "$status" -ne 0 ]; then
    tail -n 40 "$work/build.log" >&2
    echo "building Qt failed; the whole log is $work/build.log" >&2
    exit 1
fi

# --- Install: staged, then one rename ----------------------------------------
say "installing"
stage="$work/stage"
rm -rf "$stage"
DESTDIR="$stage" cmake --install "$build" >"$work/install.log" 2>&1 || {
    tail -n 20 "$work/install.log" >&2
    echo "installing Qt failed" >&2
    exit 1
}
staged="$stage$prefix"
[ -f "$staged/lib/cmake/Qt6/qt.toolchain.cmake" ] || {
    echo "the staged Qt has no lib/cmake/Qt6/qt.toolchain.cmake" >&2
    exit 1
}
printf 'Qt %s for MinGW-w64, static, built %s from %s\n' "$qt_version" "$(date -u +%FT%TZ)" "$host_version" \
    >"$staged/.complete"
rm -rf "$prefix"
mv "$staged" "$prefix"
# The build tree (several GB) has served; only an unfinished one is kept.
rm -rf "$work"
say "done in $((SECONDS - started)) s: $prefix ($(du -sh "$prefix" | cut -f1))"
echo "$prefix"
