#!/usr/bin/env bash
# Checks that every include between the source areas runs downward:
#   util -> device, table -> sensor -> ui -> records -> history, calibration -> store
#   -> central -> app -> cli, gui
# An area may include itself and the areas below it, never one beside or above.
# Also checks that no source file passes 600 lines.
# Usage: scripts/check-layering.sh [SOURCE_DIR]   (default: src/ of this checkout)
set -euo pipefail
src=${1:-$(cd "$(dirname "$0")/.." && pwd)/src}
declare -A rank=([util]=0 [device]=1 [table]=1 [sensor]=2 [ui]=3 [records]=4
                 [history]=5 [calibration]=5 [store]=6 [central]=7 [app]=8 [cli]=9 [gui]=9)
bad=0
for area in "${!rank[@]}"; do
    [ -d "$src/$area" ] || continue
    while IFS= read -r hit; do
        file=${hit%%:*}
        target=$(sed -E 's/.*#include "([a-z_]+)\/.*/\1/' <<<"$hit")
        [ "$target" = "$area" ] && continue
        if [ -z "${rank[$target]+x}" ] || [ "${rank[$target]}" -ge "${rank[$area]}" ]; then
            echo "upward or sideways include: ${file#"$src"/} -> $target/" >&2
            bad=1
        fi
    done < <(grep -HE '^#include "[a-z_]+/' "$src/$area"/*.{h,cpp} 2>/dev/null || true)
done
while read -r lines file; do
    [ "$file" = total ] && continue
    if [ "$lines" -gt 600 ]; then
        echo "over 600 lines: ${file#"$src"/} ($lines)" >&2
        bad=1
    fi
done < <(find "$src" -name '*.cpp' -o -name '*.h' | xargs wc -l)
[ $bad -eq 0 ] && echo "layering and file sizes hold"
exit $bad
