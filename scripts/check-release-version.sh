#!/usr/bin/env bash
# Builds gvc-cli alone in a Release build (full optimisation) and checks that
# `gvc-cli version` still finds the version compiled into the program file.
# Usage: scripts/check-release-version.sh [BUILD_DIR]   (default build-release)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build-release}
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGVC_BUILD_GUI=OFF -DGVC_BUILD_TESTS=OFF \
    -DGVC_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" --target gvc-cli -j "$(nproc)"
expected=$(sed -n 's/^project([^ ]* VERSION \([0-9.]*\) .*/\1/p' "$top/CMakeLists.txt")
actual=$("$dir/src/cli/gvc-cli" version) || { echo "FAIL: gvc-cli version: $actual"; exit 1; }
if [ "$actual" != "$expected" ]; then
    echo "FAIL: the Release gvc-cli reports version '$actual', the project is $expected"
    exit 1
fi
echo "Release gvc-cli version: $actual"
