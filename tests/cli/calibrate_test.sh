#!/usr/bin/env bash
# gvc-cli calibrate against gvc-devsim in real time, as an automated
# calibration line runs it: a refused start, then a whole calibration saved to
# the report log, the certificate and the sensor, its operator the program's
# settings' (or --operator's).
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

mkdir -p "$work/wd/DAT" "$work/D" "$work/run"
cp "$table" "$work/wd/DAT/"
export GVC_REGISTRY_FILE="$work/devsim.reg" GVC_DRIVE_D="$work/D" XDG_RUNTIME_DIR="$work/run"
cd "$work/wd"

# The script plays the operator at the gas valve: the simulator takes its
# gas commands on a FIFO, sent when a question opens a zero or reference stage.
mkfifo "$work/sim.in"
exec 7<>"$work/sim.in"
"$devsim" --registry "$work/devsim.reg" --memory "$work/memory.bin" --reset --seed 7 --tau 0.5 \
    <"$work/sim.in" >"$work/sim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do grep -q '^ready$' "$work/sim.out" && break; sleep 0.05; done
grep -q '^ready$' "$work/sim.out" || fail "gvc-devsim did not start: $(cat "$work/sim.out")"

follow_gas() {
    local pid=$1 err=$2 seen=0 questions
    while kill -0 "$pid" 2>/dev/null; do
        mapfile -t questions < <(grep -aoE 'Градуировка (Нуля|Эталона)' "$err" 2>/dev/null)
        while [ "$seen" -lt "${#questions[@]}" ]; do
            case "${questions[$seen]}" in
                *Нуля) echo "gas zero" >&7 ;;
                *Эталона) echo "gas ref" >&7 ;;
            esac
            seen=$((seen + 1))
        done
        sleep 0.1
    done
}

# A second instance (another front end holds the lock) is refused before any
# question: the refusal is all it says, and it creates no data tree.
out=$(flock "$work/run/G_Varnest.lock" "$cli" calibrate </dev/null 2>"$work/err"); rc=$?
[ $rc -eq 1 ] || fail "second instance gave exit $rc: $out"
[ "$(cat "$work/err")" = "Повторный запуск программы ЗАПРЕЩЕН!" ] || fail "second instance said: $(cat "$work/err")"
[ -z "$(ls -A "$work/D")" ] || fail "second instance created: $(ls -A "$work/D")"

# Refused at the zero-gas question (answered n): nothing saved, exit 1. The
# data tree is created first (answered y).
out=$(printf 'y\nn\n' | "$cli" calibrate 2>"$work/err"); rc=$?
[ $rc -eq 1 ] || fail "refused run gave exit $rc: $out"
[ "$(tail -n 1 <<<"$out")" = "ОТКАЗ !" ] || fail "refused run ended with: $(tail -n 3 <<<"$out")"
grep -q "Нулевую Концентрацию Газа" "$work/err" || fail "no zero-gas question: $(cat "$work/err")"

log="$work/D/ВЕЛМОР_Датчики/Отчет/REPORT.log"
[ "$("$cli" log-verify "$log" | tail -n 1)" = "report log intact: 0 records" ] || fail "the refused run wrote a record"

# The operator a run records is the program's settings' (as the window takes it).
printf 'operator=%s\r\nas_found_tolerance=10\r\n' "$(printf 'Иванов И.И.' | iconv -f UTF-8 -t CP1251)" \
    >"$work/D/ВЕЛМОР_Датчики/G_Varnest.ini"
timeout 600 "$cli" calibrate --yes >"$work/out" 2>"$work/err" &
cal=$!
follow_gas "$cal" "$work/err"
wait "$cal"; rc=$?
out=$(cat "$work/out")
[ $rc -eq 0 ] || fail "calibration gave exit $rc: $(tail -n 5 <<<"$out") / $(tail -n 5 "$work/err")"
[ "$(tail -n 1 <<<"$out")" = "OK !" ] || fail "last line: $(tail -n 1 <<<"$out")"
grep -q "^00:10 adc=" <<<"$out" || fail "no clock lines"
grep -qx "Отчет сохранен" <<<"$out" || fail "report not saved"
grep -qx "Сертификат заполнен" <<<"$out" || fail "certificate not written"
slope=$(sed -n 's/^saved slope=\(-\?[0-9]*\) .*/\1/p' <<<"$out")
[ -n "$slope" ] && [ "$slope" != 0 ] || fail "no slope in: $(tail -n 3 <<<"$out")"

"$cli" log-verify "$log" >"$work/log.txt" || fail "report log does not verify: $(cat "$work/log.txt")"
grep -q "report log intact: 1 records" "$work/log.txt" || fail "expected one record: $(cat "$work/log.txt")"
cert=$(find "$work/D/ВЕЛМОР_Датчики/Датчики" -name '*.dat' | head -n 1)
[ -n "$cert" ] || fail "no certificate"
"$cli" log-verify "$cert" >"$work/cert.txt" || fail "certificate does not verify"

# The sensor holds the new slope: a fresh read shows it (within the stored
# scaling's rounding).
read_slope=$("$cli" read 2>/dev/null | sed -n 's/^OldParams.Slope=//p')
diff=$((read_slope - slope)); diff=${diff#-}
[ "$diff" -le 1 ] || fail "sensor slope $read_slope, calibrated $slope"
# The saved run is the database's row (the refused start began no run); its record and certificate are
# the files' own, and the readers take it from the database with its operator.
db=$("$cli" db verify 2>&1) || fail "db verify after the saved run: $db"
grep -q "^1 rows, 1 log records, 1 certificates: the database and the files agree" <<<"$db" || fail "rows: $db"
sensor=$(sed -n 's/^sensor \([0-9.-]*\), reference.*/\1/p' <<<"$out")
"$cli" history "$sensor" >"$work/history.txt" 2>&1 || fail "history from the database: $(cat "$work/history.txt")"
grep -q "1 calibrations" "$work/history.txt" || fail "history: $(cat "$work/history.txt")"
csv=$("$cli" export-csv) || fail "export-csv from the database"
[ "$(wc -l <<<"$csv")" -eq 2 ] || fail "csv: $csv"
grep -q ",operator,workstation," <<<"$(head -n 1 <<<"$csv")" || fail "csv header: $(head -n 1 <<<"$csv")"
# An expired cylinder of the sensor's gas cannot be the reference: the run does not start.
gas=$((10#${sensor:0:2}))
"$cli" cylinder add "$gas" 50 ppm OLD-1 2020-01-01 >/dev/null || fail "cylinder add"
out=$("$cli" calibrate --yes --cylinder 1 2>"$work/err"); rc=$?
[ $rc -eq 1 ] || fail "expired cylinder gave exit $rc: $out"
grep -q "Баллон OLD-1 нельзя выбрать: срок годности истек 01.01.2020" "$work/err" || fail "expired cylinder: $(cat "$work/err")"
"$cli" cylinder list | grep -q "OLD-1.*EXPIRED" || fail "cylinder list: $("$cli" cylinder list)"
# One operator for both front ends: the saved run names the settings' operator;
# --operator names another for one run (here stopped at the zero-gas question,
# after its record began).
operators() { sqlite3 -readonly "$work/D/ВЕЛМОР_Датчики/calibrations.sqlite" 'SELECT operator_name FROM runs ORDER BY id' | tr '\n' '|'; }
[ "$(operators)" = "Иванов И.И.|" ] || fail "the saved run's operator: $(operators)"
"$cli" calibrate --yes --operator "Петров П.П." >"$work/out" 2>"$work/err" </dev/null &
cal=$!
for _ in $(seq 600); do grep -q 'Градуировка Нуля' "$work/err" && break; sleep 0.1; done
kill -INT "$cal"
wait "$cal"; rc=$?
[ $rc -eq 130 ] || fail "the stopped run gave exit $rc: $(tail -n 3 "$work/out") / $(tail -n 3 "$work/err")"
[ "$(operators)" = "Иванов И.И.|Петров П.П.|" ] || fail "operators with --operator: $(operators)"
echo "calibrate: 3 runs passed"
