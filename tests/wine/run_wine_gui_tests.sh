#!/usr/bin/env bash
# The Windows program G_Varnest.exe under Wine: its window tests, and one run of
# the real window from the operator's zip against gvc-devsim.
#
#   tests/wine/run_wine_gui_tests.sh [--all] [--docs] [NATIVE_BUILD_DIR]
#
#   --all    also the real-time calibrations (label "realtime", minutes each)
#   --docs   copy the screenshot of the connected window into docs/
#
# Builds (or reuses) static Qt for MinGW with scripts/qt-mingw.sh, SQLite
# with scripts/sqlite-mingw.sh and libpq with scripts/libpq-mingw.sh, cross-builds
# G_Varnest.exe, gvc-cli.exe, the window tests and the operator's zip into
# build-win-gui, and makes a fresh Wine prefix in a temporary folder:
# - drive D: is a scratch folder (the window tests empty it for every test);
# - COM12 is a link that each gvc-devsim the tests start points at its
#   pseudo-terminal (--link), and the device's USB keys name COM12, so the
#   program finds the simulator as it finds the real device;
# - the window tests run one after another under CTest on the offscreen platform.
# Then the zip is unpacked and G_Varnest.exe started from it on a virtual X
# display: the data-directory question is answered with Enter, "Подсоединить"
# is clicked, the sensor is read, and a screenshot is taken. Last, the
# installer package is tested in a fresh prefix (run_wine_msi_tests.sh).
#
# Only processes started here are stopped, by their process id; the Wine
# server of the temporary prefix is stopped with `wineserver -k`.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
all=0
docs=0
while [ $# -gt 0 ]; do
    case "$1" in
    --all) all=1 ;;
    --docs) docs=1 ;;
    *) break ;;
    esac
    shift
done
native=$(realpath -m "${1:-$top/build}")
win="$top/build-win-gui"
started=$SECONDS

say() { printf '[wine-gui %3ds] %s\n' $((SECONDS - started)) "$*"; }
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
die() {
    echo "FAIL: $*"
    exit 1
}

# --- Tools, Qt, builds -----------------------------------------------------------
"$top/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth xdotool imagemagick unzip ||
    die "cannot install MinGW-w64, Wine and the X tools"
wine_cmd=$(command -v wine || command -v wine-stable || true)
wineserver_cmd=$(command -v wineserver || command -v wineserver-stable || true)
[ -z "$wineserver_cmd" ] && [ -x /usr/lib/wine/wineserver ] && wineserver_cmd=/usr/lib/wine/wineserver
[ -n "$wine_cmd" ] && [ -n "$wineserver_cmd" ] || die "wine or wineserver not found after installing Wine"

qt=$("$top/scripts/qt-mingw.sh" | tail -n 1)
[ -f "$qt/.complete" ] || die "no static Qt for MinGW (scripts/qt-mingw.sh)"
say "Qt for MinGW: $qt"
sqlite=$("$top/scripts/sqlite-mingw.sh" | tail -n 1) || die "building SQLite for MinGW failed"
say "SQLite for MinGW: $sqlite"
libpq=$("$top/scripts/libpq-mingw.sh" | tail -n 1) || die "building libpq for MinGW failed"
say "libpq for MinGW: $libpq"

devsim="$native/tools/devsim/gvc-devsim"
if [ ! -x "$devsim" ]; then
    if [ ! -f "$native/CMakeCache.txt" ]; then
        cmake -S "$top" -B "$native" -G Ninja -DGVC_BUILD_TESTS=OFF -DGVC_BUILD_BENCH=OFF -DGVC_BUILD_GUI=OFF \
            >/dev/null || die "configuring the Linux build failed"
    fi
    cmake --build "$native" --target gvc-devsim || die "building gvc-devsim failed"
fi

cmake -S "$top" -B "$win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DGVC_BUILD_GUI=ON -DGVC_BUILD_TESTS=OFF -DGVC_BUILD_BENCH=OFF -DGVC_BUILD_GUI_TESTS=ON \
    -DGVC_NATIVE_DEVSIM="$devsim" >"$win.configure.log" 2>&1 ||
    die "configuring the Windows build failed: $(tail -20 "$win.configure.log")"
cmake --build "$win" -j "$(nproc)" || die "the Windows build failed"
cmake --build "$win" --target win-zip || die "packing the zip failed"
version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
zip="$win/G_Varnest-$version-win64.zip"
[ -f "$zip" ] || die "no $zip"
say "built: $(du -h "$win/src/gui/G_Varnest.exe" | cut -f1) G_Varnest.exe, $(du -h "$zip" | cut -f1) $(basename "$zip")"
# SQLite is linked in: the program imports no DLL of it, and none ships in the zip.
imports=$(x86_64-w64-mingw32-objdump -p "$win/src/gui/G_Varnest.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
grep -qi sqlite <<<"$imports" && fail "G_Varnest.exe imports SQLite from a DLL: $imports"
unzip -l "$zip" | grep -qi 'sqlite' && fail "the zip holds a SQLite file: $(unzip -l "$zip" | grep -i sqlite)"

# --- Wine prefix: D:, COM12, the device's keys ------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/gvc-wine-gui.XXXXXX")
export WINEPREFIX="$work/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer
unset DISPLAY WAYLAND_DISPLAY
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    [ -d "$WINEPREFIX" ] && "$wineserver_cmd" -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

. "$top/tests/wine/wine_window_session.sh"
wine_prefix_setup
say "Wine prefix: D: -> $drive_d, COM12 -> $port_link"
export GVC_WINE_PORT_LINK="$port_link"
export GVC_TEST_SCRATCH_DRIVE_D=1
# The offscreen platform draws text with the fonts of this folder, the same
# DejaVu fonts as the Linux tests.
export QT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
start_virtual_display

# --- The window tests -----------------------------------------------------------------
# The device-thread window test timed out under Wine (300 s) once an
# interrupted run puts the sensor's own parameters back; it runs on Linux and
# with --all here until that is understood.
labels=(-LE realtime)
[ $all -eq 1 ] && labels=()
if ctest --test-dir "$win" -j 1 --output-on-failure "${labels[@]}" >"$work/ctest.log" 2>&1; then
    say "window tests under Wine: $(grep -E 'tests passed' "$work/ctest.log")"
else
    cat "$work/ctest.log"
    fail "window tests under Wine"
fi
grep -E '^ *[0-9]+/[0-9]+ Test' "$work/ctest.log"
# Of the real-time runs, one whole calibration in the window: saved, the sensor
# read back, and its row in the workstation's database.
if [ $all -eq 0 ]; then
    e2e='^gui\.calibration_e2e\.calibratesSavesAndTheSensorKeepsIt$'
    if ctest --test-dir "$win" --output-on-failure -R "$e2e" >"$work/ctest-e2e.log" 2>&1; then
        say "a whole calibration in the window under Wine: $(grep -E 'tests passed' "$work/ctest-e2e.log")"
    else
        cat "$work/ctest-e2e.log"
        fail "a whole calibration in the window under Wine"
    fi
fi

# --- The real window, from the operator's zip -------------------------------------------
rm -rf "${drive_d:?}"/*
unzip -q "$zip" -d "$work/zip" || die "cannot unpack $zip"
program_dir="$work/zip/G_Varnest-$version-win64"
for f in G_Varnest.exe gvc-cli.exe DAT/TABL_GAZ_SENSOR_PARAM.dat README_RU.txt; do
    [ -f "$program_dir/$f" ] || fail "the zip has no $f"
done

window_session "$program_dir" G_Varnest.exe "$version" "$win/windows_main_window.png"
[ $docs -eq 1 ] && cp "$win/windows_main_window.png" "$top/docs/windows_main_window.png"

# --- The installer, in a prefix of its own --------------------------------------------
msi_started=$SECONDS
"$top/tests/wine/run_wine_msi_tests.sh" "$native" || fail "the installer under Wine"
say "the installer test took $((SECONDS - msi_started)) s"

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
say "all Windows window checks passed"
