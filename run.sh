#!/usr/bin/env bash
# The demo: installs what is missing, builds what it runs (G_Varnest,
# gvc-devsim, gvc-cli) in a build directory of its own, starts the device
# simulator with a sensor in the calibration device, and runs G_Varnest
# against it.
#   ./run.sh [--reset] [PROFILE]
#     PROFILE   a sensor of `gvc-devsim --list-profiles` (default: default)
#     --reset   start from a fresh sensor of the profile
# The simulated sensor is kept between runs (its memory lives in
# demo-data/devsim-memory.bin), so its calibration counter and history advance
# as a real sensor's would; choosing another profile starts that one fresh.
# The demo's files live in $GVC_DEMO_DIR (default ./demo-data): drive D: of the
# program is demo-data/D, the working directory demo-data/work holds the
# shipped table and the operator's guide. Closing the program stops the simulator.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
reset=0
profile=default
for arg in "$@"; do
    case "$arg" in
        --reset) reset=1 ;;
        -h | --help)
            sed -n '2,/^set /p' "$0" | sed -n 's/^# \{0,1\}//p'
            exit 0
            ;;
        -*)
            echo "run.sh: unknown option $arg" >&2
            exit 2
            ;;
        *) profile=$arg ;;
    esac
done

"$top/scripts/install-deps.sh"
build=${GVC_DEMO_BUILD_DIR:-$top/build-demo}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGVC_BUILD_GUI=ON -DGVC_BUILD_TESTS=OFF \
    -DGVC_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target G_Varnest gvc-devsim gvc-cli

demo=${GVC_DEMO_DIR:-$top/demo-data}
mkdir -p "$demo/D" "$demo/work/DAT" "$demo/work/Help"
cp "$top/DAT/TABL_GAZ_SENSOR_PARAM.dat" "$demo/work/DAT/"
cp -r "$top/Help/." "$demo/work/Help/"
export GVC_DRIVE_D="$demo/D"
export GVC_REGISTRY_FILE="$demo/devsim.reg"

# The sensor of the last run stays, unless asked otherwise or another profile is chosen.
fresh=()
if [ "$reset" = 1 ] || [ ! -f "$demo/devsim-memory.bin" ] ||
    [ "$(cat "$demo/devsim.profile" 2>/dev/null)" != "$profile" ]; then
    fresh=(--reset)
    echo "gvc-devsim: a fresh sensor '$profile'"
else
    echo "gvc-devsim: the sensor '$profile' of the last run (./run.sh --reset for a fresh one)"
fi

# The simulator reads its commands from a pipe this script holds open; when the
# script ends the pipe closes and the simulator quits.
fifo="$demo/devsim.in"
rm -f "$fifo" "$demo/devsim.out"
mkfifo "$fifo"
"$build/tools/devsim/gvc-devsim" --auto --profile "$profile" "${fresh[@]}" \
    --registry "$GVC_REGISTRY_FILE" --memory "$demo/devsim-memory.bin" <"$fifo" >"$demo/devsim.out" &
sim=$!
exec 3>"$fifo"
stop_simulator() {
    exec 3>&-
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        kill -0 "$sim" 2>/dev/null || break
        sleep 0.2
    done
    kill "$sim" 2>/dev/null || true
    rm -f "$fifo"
}
trap stop_simulator EXIT
for _ in $(seq 50); do
    grep -q '^ready' "$demo/devsim.out" 2>/dev/null && break
    sleep 0.1
done
grep -q '^ready' "$demo/devsim.out" || { echo "gvc-devsim did not start" >&2; exit 1; }
# Only a sensor that started is kept for the next run: a mistyped profile
# leaves the last one as it was.
echo "$profile" >"$demo/devsim.profile"
echo "gvc-devsim: sensor '$profile' on $(sed -n 's/^port //p' "$demo/devsim.out"); drive D: is $GVC_DRIVE_D"

cd "$demo/work"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: G_Varnest runs on a virtual X display (xvfb-run); stop it with Ctrl+C."
    xvfb-run -a "$build/src/gui/G_Varnest"
else
    "$build/src/gui/G_Varnest"
fi
