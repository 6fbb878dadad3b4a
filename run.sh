#!/usr/bin/env bash
# The demo: installs what is missing, builds, starts the device simulator with
# a sensor in the calibration device, and runs G_Varnest against it.
#   ./run.sh [PROFILE]    PROFILE: a sensor of `gvc-devsim --list-profiles` (default: default)
# The demo's files live in $GVC_DEMO_DIR (default ./demo-data): drive D: of the
# program is demo-data/D, the working directory demo-data/work holds the shipped table.
# Closing the program stops the simulator.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
profile=${1:-default}
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGVC_BUILD_GUI=ON

demo=${GVC_DEMO_DIR:-$top/demo-data}
mkdir -p "$demo/D" "$demo/work/DAT"
cp "$top/DAT/TABL_GAZ_SENSOR_PARAM.dat" "$demo/work/DAT/"
export GVC_DRIVE_D="$demo/D"
export GVC_REGISTRY_FILE="$demo/devsim.reg"

# The simulator reads its commands from a pipe this script holds open; when the
# script ends the pipe closes and the simulator quits.
fifo="$demo/devsim.in"
rm -f "$fifo" "$demo/devsim.out"
mkfifo "$fifo"
"$top/build/tools/devsim/gvc-devsim" --auto --profile "$profile" --reset \
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
echo "gvc-devsim: sensor '$profile' on $(sed -n 's/^port //p' "$demo/devsim.out"); drive D: is $GVC_DRIVE_D"

cd "$demo/work"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: G_Varnest runs on a virtual X display (xvfb-run); stop it with Ctrl+C."
    xvfb-run -a "$top/build/src/gui/G_Varnest"
else
    "$top/build/src/gui/G_Varnest"
fi
