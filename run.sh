#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the workstation's start-up check of
# the shipped sensor-type table.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cd "$top"
exec "$top/build/src/cli/gvc-cli" table-check DAT/TABL_GAZ_SENSOR_PARAM.dat
