#!/usr/bin/env bash
# gvc-cli calibrate on a workstation connected to a central server, against
# gvc-devsim in real time: the server is down when the run ends, so the run
# is saved as always and waits ("Центральная база: нет связи"); with the
# server up again, `central send` sends it once.
# Usage: send_calibrate_test.sh GVC_CLI GVC_DEVSIM TABLE PG_CLUSTER_SH
set -u
cli=$1
devsim=$2
table=$3
cluster=$4
work=$(mktemp -d)
sim=
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    "$cluster" remove "$work/pg" >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$cluster" start "$work/pg" || fail "no cluster"
# shellcheck disable=SC1091
. "$work/pg/cluster.env"
admin=(--host "$GVC_PG_HOST" --port "$GVC_PG_PORT" --database postgres --user "$GVC_PG_ADMIN"
    --passfile "$GVC_PG_PASSFILE" --sslmode disable)
mkdir -p "$work/wd/DAT" "$work/D" "$work/run"
cp "$table" "$work/wd/DAT/"
export GVC_REGISTRY_FILE="$work/devsim.reg" GVC_DRIVE_D="$work/D" XDG_RUNTIME_DIR="$work/run"
cd "$work/wd"

"$cli" central init "${admin[@]}" >/dev/null || fail "init"
echo "ws1-secret" | "$cli" central add-user ws1 "${admin[@]}" >/dev/null || fail "add-user"
echo "ws1-secret" | "$cli" central connect --host "$GVC_PG_HOST" --port "$GVC_PG_PORT" --database postgres \
    --user ws1 --sslmode disable --password-stdin >/dev/null || fail "connect"

"$devsim" --registry "$work/devsim.reg" --auto-delay 35 >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q '^ready$' "$work/sim.out" && break; sleep 0.05; done

"$cluster" down "$work/pg" || fail "down"
out=$("$cli" calibrate --yes 2>"$work/err"); rc=$?
[ $rc -eq 0 ] || fail "calibrate gave exit $rc: $(tail -n 5 <<<"$out") $(tail -n 5 "$work/err")"
grep -qx "OK !" <<<"$out" || fail "no OK: $(tail -n 5 <<<"$out")"
[ "$(tail -n 1 <<<"$out")" = "Центральная база: нет связи" ] || fail "state: $(tail -n 3 <<<"$out")"
grep -q "Запись ждёт отправки в центральную базу" "$work/err" || fail "no waiting message: $(tail -n 3 "$work/err")"
grep -q "ws1-secret" "$work/err" && fail "the password was shown"
grep -q "ws1-secret" <<<"$out" && fail "the password was shown"

"$cluster" up "$work/pg" || fail "up"
[ "$("$cli" central status)" = "Центральная база: не отправлено 1" ] || fail "status before: $("$cli" central status)"
out=$("$cli" central send) || fail "send: $out"
grep -q "^sent 1, already there 0, refused 0, left 0$" <<<"$out" || fail "send said: $out"
out=$("$cli" central send) || fail "second send: $out"
grep -q "^sent 0, already there 0, refused 0, left 0$" <<<"$out" || fail "second send said: $out"
[ "$("$cli" central status)" = "Центральная база: отправлено" ] || fail "status after: $("$cli" central status)"
echo "calibrated with the server down, sent once when it was up"
