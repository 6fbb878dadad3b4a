#!/usr/bin/env bash
# The Windows program G_Varnest.exe under Wine: its window tests, and one run of
# the real window from the operator's zip against gvc-devsim.
#
#   tests/wine/run_wine_gui_tests.sh [--all] [--docs] [NATIVE_BUILD_DIR]
#
#   --all    also the real-time calibrations (label "realtime", minutes each)
#   --docs   copy the screenshot of the connected window into docs/
#
# Builds (or reuses) static Qt for MinGW with scripts/qt-mingw.sh, cross-builds
# G_Varnest.exe, gvc-cli.exe, the window tests and the operator's zip into
# build-win-gui, and makes a fresh Wine prefix in a temporary folder:
# - drive D: is a scratch folder (the window tests empty it for every test);
# - COM12 is a link that each gvc-devsim the tests start points at its
#   pseudo-terminal (--link), and the device's USB keys name COM12, so the
#   program finds the simulator as it finds the real device;
# - the window tests run one after another under CTest on the offscreen platform.
# Then the zip is unpacked and G_Varnest.exe started from it on a virtual X
# display: the data-directory question is answered with Enter, "Подсоединить"
# is clicked, the sensor is read, and a screenshot is taken.
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

"$wine_cmd" wineboot -i >"$work/wineboot.log" 2>&1 || die "wineboot failed: $(tail -5 "$work/wineboot.log")"
"$wineserver_cmd" -w >/dev/null 2>&1
drive_d="$work/drive-d"
mkdir -p "$drive_d"
ln -sfn "$drive_d" "$WINEPREFIX/dosdevices/d:"

# COM12 -> $work/com12 -> the pseudo-terminal of whichever simulator runs. Until
# one runs, the link points at /dev/null, so that Wine lists the port.
port_link="$work/com12"
ln -sfn /dev/null "$port_link"
regadd() { "$wine_cmd" reg add "$@" /f >/dev/null 2>&1 || die "wine reg add $* failed"; }
regadd 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$port_link"
instance='HKLM\SYSTEM\CurrentControlSet\Enum\USB\VID_1FC9&PID_0003\VARNESTs-000'
regadd "$instance" /v FriendlyName /t REG_SZ /d "Varnest USB VCom Port (COM12)"
regadd "$instance"'\Device Parameters' /v PortName /t REG_SZ /d COM12
"$wineserver_cmd" -k >/dev/null 2>&1
"$wineserver_cmd" -w >/dev/null 2>&1
"$wine_cmd" reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>&1 | tr -d '\r' | grep -Eq 'REG_SZ +COM12$' ||
    die "COM12 is not in SERIALCOMM"
say "Wine prefix: D: -> $drive_d, COM12 -> $port_link"
export GVC_WINE_PORT_LINK="$port_link"
export GVC_TEST_SCRATCH_DRIVE_D=1
# The offscreen platform draws text with the fonts of this folder, the same
# DejaVu fonts as the Linux tests.
export QT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'

# A virtual X display: Wine creates even Qt's hidden message windows through
# its X driver, so the offscreen tests need one too.
display_number=$((100 + $$ % 400))
Xvfb ":$display_number" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display_number"
for _ in $(seq 50); do
    xdotool getmouselocation >/dev/null 2>&1 && break
    sleep 0.1
done

# --- The window tests -----------------------------------------------------------------
labels=(-LE realtime)
[ $all -eq 1 ] && labels=()
if ctest --test-dir "$win" -j 1 --output-on-failure "${labels[@]}" >"$work/ctest.log" 2>&1; then
    say "window tests under Wine: $(grep -E 'tests passed' "$work/ctest.log")"
else
    cat "$work/ctest.log"
    fail "window tests under Wine"
fi
grep -E '^ *[0-9]+/[0-9]+ Test' "$work/ctest.log"

# --- The real window, from the operator's zip -------------------------------------------
rm -rf "${drive_d:?}"/*
unzip -q "$zip" -d "$work/zip" || die "cannot unpack $zip"
program_dir="$work/zip/G_Varnest-$version-win64"
for f in G_Varnest.exe gvc-cli.exe DAT/TABL_GAZ_SENSOR_PARAM.dat README_RU.txt; do
    [ -f "$program_dir/$f" ] || fail "the zip has no $f"
done


mkfifo "$work/sim.in"
exec 7<>"$work/sim.in"
"$devsim" --registry "$work/sim.reg" --memory "$work/sim.mem" --reset --profile default --link "$port_link" \
    --log "$work/sim.traffic" <"$work/sim.in" >"$work/sim.out" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    grep -q '^ready$' "$work/sim.out" && break
    sleep 0.05
done
grep -q '^ready$' "$work/sim.out" || die "gvc-devsim did not start: $(cat "$work/sim.out")"

(cd "$program_dir" && exec "$wine_cmd" G_Varnest.exe) >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")

# window_named TEXT [SECONDS]: the id of a visible window whose title holds TEXT.
window_named() {
    local id
    for _ in $(seq $((${2:-30} * 5))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$id" ] && {
            echo "$id"
            return 0
        }
        sleep 0.2
    done
    return 1
}
shot() { import -window root "$1" 2>/dev/null || fail "cannot take a screenshot $1"; }

# The first start on an empty D: asks to create the data directory: Yes (Enter).
question=$(window_named "Предупреждение|Информация" 60) || {
    shot "$work/no-question.png"
    die "no data-directory question within 60 s: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null)"
}
timeout 10 xdotool windowfocus "$question" sleep 0.3 key Return || fail "cannot answer the question"
main=$(window_named "Очередная Градуировка Сенсора" 30) || die "the main window did not appear"
title=$(xdotool getwindowname "$main")
say "main window: $title"
[ "$title" = "Очередная Градуировка Сенсора (v_$version)" ] || fail "the title is '$title'"
[ -f "$drive_d/ВЕЛМОР_Датчики/Отчет/REPORT.log" ] || fail "the answer Yes made no report log on D:"

# The client area is 656 x 449; Wine draws the frame and caption in the X window.
eval "$(xdotool getwindowgeometry --shell "$main")"
frame=$(((WIDTH - 656) / 2))
caption=$((HEIGHT - 449 - frame))
say "window at $X,$Y, ${WIDTH}x$HEIGHT (frame $frame, caption $caption)"
# Fixed size and centred on the 1024 x 768 screen.
[ $frame -ge 0 ] && [ $caption -ge 0 ] && [ $caption -le 60 ] || fail "the window is ${WIDTH}x$HEIGHT, not 656 x 449 inside"
centre_x=$((X + WIDTH / 2 - 512))
centre_y=$((Y + HEIGHT / 2 - 384))
[ ${centre_x#-} -le 10 ] && [ ${centre_y#-} -le 10 ] || fail "the window is not centred ($X,$Y)"
# "Подсоединить" sits at 22,41 (83 x 25) in the client area.
timeout 10 xdotool mousemove --window "$main" $((frame + 63)) $((caption + 53)) click 1
for _ in $(seq 150); do
    [ "$(wc -l <"$work/sim.traffic" 2>/dev/null || echo 0)" -ge 43 ] && break
    sleep 0.2
done
sleep 2
exchanges=$(wc -l <"$work/sim.traffic" 2>/dev/null || echo 0)
[ "$exchanges" -ge 43 ] || fail "the connection read $exchanges packets, not the whole sensor"
for box in "Ошибка" "Предупреждение"; do
    xdotool search --onlyvisible --name "$box" >/dev/null 2>&1 && fail "a box '$box' is open after the connection"
done
# The characteristics page, as after a connection the operator reads it.
timeout 10 xdotool mousemove --window "$main" $((frame + 55)) $((caption + 114)) click 1
sleep 1
shot "$work/windows_main_window.png"
convert "$work/windows_main_window.png" -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$win/windows_main_window.png" ||
    fail "cannot crop the screenshot"
say "connected: $exchanges exchanges; screenshot $win/windows_main_window.png"
[ $docs -eq 1 ] && cp "$win/windows_main_window.png" "$top/docs/windows_main_window.png"

kill "$program" 2>/dev/null
wait "$program" 2>/dev/null
echo quit >&7

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
say "all Windows window checks passed"
