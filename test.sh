#!/usr/bin/env bash
# Sets up what is missing, builds everything with warnings as errors, and runs
# every test. Pass --sanitize to build the core tests with AddressSanitizer and
# UndefinedBehaviorSanitizer instead (in build-sanitize); that build skips the
# long real-time runs against the simulator (label "realtime").
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
"$top/scripts/install-deps.sh"
if [ "${1:-}" = "--sanitize" ]; then
    dir="$top/build-sanitize"
    "$top/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Debug -DGVC_SANITIZE=ON -DGVC_BUILD_BENCH=OFF -DGVC_BUILD_GUI=OFF
    skip=(-LE realtime)
else
    dir="$top/build"
    skip=()
    "$top/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Debug -DGVC_BUILD_GUI=ON
fi
cd "$dir"
ctest --output-on-failure -j "$(nproc)" "${skip[@]}"
