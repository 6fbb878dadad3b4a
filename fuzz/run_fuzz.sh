#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 19, AddressSanitizer and
# UndefinedBehaviorSanitizer) into build-fuzz and runs each over its seed corpus.
#   fuzz/run_fuzz.sh               a fixed number of runs per target (CI, about a minute in all)
#   fuzz/run_fuzz.sh --long [SEC]  each target for SEC seconds (default 3600), keeping what it
#                                  finds in build-fuzz/corpus/<target> for the next long run
#   fuzz/run_fuzz.sh --only NAME … one target (combine with --long)
# A crash stops with the target's report; its input is in build-fuzz/crashes/<target>/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh" clang-19 libclang-rt-19-dev

long=""
only=""
while [ $# -gt 0 ]; do
    case $1 in
        --long) long=${2:-3600}; [[ ${2:-} =~ ^[0-9]+$ ]] && shift; shift ;;
        --only) only=$2; shift 2 ;;
        *) echo "usage: fuzz/run_fuzz.sh [--long [SECONDS]] [--only TARGET]" >&2; exit 2 ;;
    esac
done

dir="$top/build-fuzz"
# Everything that builds without Qt and the test frameworks: the core, the tools and gvc-cli are
# compiled by clang with warnings as errors along with the targets.
"$top/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-19 -DGVC_FUZZ=ON -DGVC_BUILD_TESTS=OFF -DGVC_BUILD_BENCH=OFF -DGVC_BUILD_GUI=OFF

# Runs per target in the short run: five to ten seconds each on one core here.
declare -A runs=([fuzz_table]=30000 [fuzz_report_log]=300000 [fuzz_certificate]=150000 [fuzz_reply]=25000
                 [fuzz_sensor_pages]=25000 [fuzz_registry_file]=25000 [fuzz_text]=45000)

failed=0
for target in fuzz_table fuzz_report_log fuzz_certificate fuzz_reply fuzz_sensor_pages fuzz_registry_file \
              fuzz_text; do
    [ -n "$only" ] && [ "$only" != "$target" ] && continue
    seeds="$top/fuzz/corpus/$target"
    crashes="$dir/crashes/$target"
    mkdir -p "$crashes"
    if [ -n "$long" ]; then
        # New inputs go to the first directory; the seeds in the repository stay as they are.
        work="$dir/corpus/$target"
        mkdir -p "$work"
        limit=(-max_total_time="$long")
    else
        work=$(mktemp -d)
        limit=(-runs="${runs[$target]}")
    fi
    echo "== $target"
    if ! "$dir/fuzz/$target" "${limit[@]}" -artifact_prefix="$crashes/" -print_final_stats=1 \
            "$work" "$seeds" 2>"$dir/$target.log"; then
        failed=1
        tail -n 60 "$dir/$target.log"
        echo "FAIL: $target (input kept in $crashes/)"
    fi
    grep -E "^stat::number_of_executed_units|^stat::average_exec_per_sec|^Done" "$dir/$target.log" || true
    [ -z "$long" ] && rm -rf "$work"
done
exit $failed
