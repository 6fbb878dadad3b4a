#!/usr/bin/env bash
# gvc-cli calibrate stopped by SIGTERM at counted steps of the run's first
# write into the sensor (the n-th write exchange the simulator logs), and
# killed (SIGKILL) at one: a stop always ends with the sensor's own parameters
# written back and read back, and the records say so; a kill leaves a run that
# the next start closes as unfinished and names.
set -u
cli=$1
devsim=$2
table=$3
work=$(mktemp -d)
sim=
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work/wd/DAT" "$work/run"
cp "$table" "$work/wd/DAT/"
export GVC_REGISTRY_FILE="$work/devsim.reg" XDG_RUNTIME_DIR="$work/run"
cd "$work/wd"
mkfifo "$work/sim.in"
exec 7<>"$work/sim.in"
"$devsim" --registry "$work/devsim.reg" --memory "$work/memory.bin" --reset --auto --tau 0.5 --seed 5 \
    --log "$work/traffic.log" <"$work/sim.in" >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q '^ready$' "$work/sim.out" && break; sleep 0.05; done
grep -q '^ready$' "$work/sim.out" || fail "gvc-devsim did not start: $(cat "$work/sim.out")"

params() { "$cli" read 2>/dev/null | grep -E '^OldParams\.(Slope|ZeroOffset|PgaGain)='; }

# Starts a calibration in a fresh data tree and sends `signal` once the
# simulator has logged `writes` more write exchanges than before it.
stop_at_write() {
    local writes=$1 signal=$2 tree=$3
    export GVC_DRIVE_D="$tree"
    mkdir -p "$tree"
    local before
    before=$(grep -c ' write ' "$work/traffic.log")
    "$cli" calibrate --yes >"$work/out" 2>"$work/err" &
    local cal=$!
    # Up to a minute: a busy machine may take long to reach the first write.
    for _ in $(seq 6000); do
        [ "$(grep -c ' write ' "$work/traffic.log")" -ge $((before + writes)) ] && break
        kill -0 "$cal" 2>/dev/null || break
        sleep 0.01
    done
    if [ "$(grep -c ' write ' "$work/traffic.log")" -lt $((before + writes)) ]; then
        kill "$cal" 2>/dev/null
        wait "$cal"
        fail "write $writes was never reached: $(tail -n 3 "$work/err")"
    fi
    kill "-$signal" "$cal"
    wait "$cal"
}

original=$(GVC_DRIVE_D="$work/D0" params)
[ -n "$original" ] || fail "no sensor read"

for writes in 1 3 8 15; do
    tree="$work/term$writes"
    stop_at_write "$writes" TERM "$tree"; rc=$?
    [ $rc -eq 143 ] || fail "stop at write $writes: exit $rc: $(tail -n 3 "$work/err")"
    grep -q "в Датчик записаны его параметры, бывшие до Градуировки" "$work/err" ||
        fail "stop at write $writes: the sensor was not put back: $(tail -n 4 "$work/err")"
    [ "$(GVC_DRIVE_D="$tree" params)" = "$original" ] || fail "stop at write $writes: the sensor holds other values"
    verify=$(GVC_DRIVE_D="$tree" "$cli" db verify); rc=$?
    [ $rc -eq 0 ] || fail "stop at write $writes: db verify: $verify"
    grep -q '^1 rows' <<<"$verify" || fail "stop at write $writes: not one row: $verify"
    grep -q '^!' <<<"$verify" && fail "stop at write $writes: a run left unfinished: $verify"
    [ -z "$(GVC_DRIVE_D="$tree" "$cli" due --within 0 | tail -n +2)" ] || fail "stop at write $writes: the sensor is due"
done

# Killed during the first write: the next start names the run and the sensor.
tree="$work/kill"
stop_at_write 8 KILL "$tree"
verify=$(GVC_DRIVE_D="$tree" "$cli" db verify)
grep -q "не завершена" <<<"$verify" || fail "the killed run is not named by db verify: $verify"
grep -q "отградуировать заново" <<<"$verify" || fail "db verify does not ask for a new calibration: $verify"
out=$(printf 'n\n' | GVC_DRIVE_D="$tree" "$cli" calibrate 2>&1)
grep -q "Градуировка Датчика .* не завершена" <<<"$out" || fail "the next start does not name the run: $out"
verify=$(GVC_DRIVE_D="$tree" "$cli" db verify); rc=$?
[ $rc -eq 0 ] || fail "after the next start db verify: $verify"
grep -q '^1 rows' <<<"$verify" || fail "the unfinished run is not a row: $verify"
due=$(GVC_DRIVE_D="$tree" "$cli" due --within 0 | tail -n +2)
[ -n "$due" ] || fail "the sensor left by the killed run is not due"
echo "PASS"
