#!/usr/bin/env bash
# Time from starting G_Varnest to its main window being shown, on a virtual X
# display, over a few starts: a working directory with the shipped table and a
# data tree that exists already (so that no start-up question comes first).
#
#   bench/startup_time.sh [BUILD_DIR] [STARTS]
#
# Needs xvfb-run and xdotool (as the Wine window tests do).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$top/build}")
starts=${2:-7}
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$build" "$starts"
fi
program="$build/src/gui/G_Varnest"
cli="$build/src/cli/gvc-cli"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/work/DAT" "$scratch/D"
cp "$top/DAT/TABL_GAZ_SENSOR_PARAM.dat" "$scratch/work/DAT/"
export GVC_DRIVE_D="$scratch/D" GVC_REGISTRY_FILE="$scratch/none.reg" XDG_RUNTIME_DIR="$scratch"
# The data tree as a first start creates it (no device: the command ends there).
(cd "$scratch/work" && "$cli" calibrate --yes >/dev/null 2>&1) || true
[ -f "$scratch/D/ВЕЛМОР_Датчики/Отчет/REPORT.log" ] || { echo "no data tree" >&2; exit 1; }

times=()
for _ in $(seq "$starts"); do
    cd "$scratch/work"
    begin=$(date +%s%N)
    "$program" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name "Градуировка Сенсора" >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "G_Varnest ended before its window showed" >&2; exit 1; }
        sleep 0.005
    done
    end=$(date +%s%N)
    times+=($(((end - begin) / 1000000)))
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start to window shown, ms, $starts starts: $(echo $sorted)"
echo "median $(echo "$sorted" | sed -n "$(((starts + 1) / 2))p") ms"
