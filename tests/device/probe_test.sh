#!/usr/bin/env bash
# gvc-cli probe against gvc-devsim, found through the registry file: the
# device answers both probes; once the simulator has gone, discovery reports
# the device as not plugged in.
set -u
cli=$1
devsim=$2
work=$(mktemp -d)
sim=
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$devsim" --registry "$work/devsim.reg" --memory "$work/memory.bin" --reset </dev/null >"$work/out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q '^ready$' "$work/out" && break; sleep 0.05; done
grep -q '^ready$' "$work/out" || fail "gvc-devsim did not start: $(cat "$work/out")"
port=$(sed -n 's/^port //p' "$work/out")

out=$(GVC_REGISTRY_FILE="$work/devsim.reg" "$cli" probe 2>&1) || fail "probe failed: $out"
[ "$out" = "$(printf 'probe: OK\nВарнест: %s' "$port")" ] || fail "unexpected output: $out"

kill "$sim"
wait "$sim"
sim=
out=$(GVC_REGISTRY_FILE="$work/devsim.reg" "$cli" probe 2>"$work/err"); rc=$?
[ $rc -eq 1 ] || fail "probe of an unplugged device gave exit $rc"
tr -d '\r' <"$work/err" | grep -qx "Варнест: Устройство не подключено!" || fail "unexpected message: $(cat "$work/err")"
echo "probe: 2 cases passed"
