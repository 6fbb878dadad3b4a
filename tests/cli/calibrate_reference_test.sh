#!/usr/bin/env bash
# gvc-cli calibrate against gvc-devsim: the typed reference (the decimals of
# the sensor's entry layout, the range question), the reference rules' table
# for typed values and cylinders of the database (the unit, the rounding
# question, the range question and --above-range), a run ended by a signal
# (the sensor gets its parameters back), and --yes with the automatic gas
# chamber (--auto) to a saved result.
set -u
cli=$1
devsim=$2
table=$3
cases=$4
rules=$5
work=$(mktemp -d)
sim=
stop_sim() {
    if [ -n "$sim" ]; then
        kill "$sim" 2>/dev/null
        wait "$sim" 2>/dev/null
        sim=
    fi
}
cleanup() {
    stop_sim
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

mkdir -p "$work/wd/DAT" "$work/D" "$work/run"
cp "$table" "$work/wd/DAT/"
export GVC_REGISTRY_FILE="$work/devsim.reg" GVC_DRIVE_D="$work/D" XDG_RUNTIME_DIR="$work/run"
cd "$work/wd"

start_sim() {
    stop_sim
    : >"$work/sim.out"
    "$devsim" --registry "$work/devsim.reg" --memory "$work/memory.bin" --reset --seed 7 "$@" \
        </dev/null >"$work/sim.out" 2>&1 &
    sim=$!
    for _ in $(seq 100); do grep -q '^ready$' "$work/sim.out" && break; sleep 0.05; done
    grep -q '^ready$' "$work/sim.out" || fail "gvc-devsim did not start: $(cat "$work/sim.out")"
}

# The oxygen sensor: range 0-30, multiplier code 1 (one decimal).
start_sim --profile oxygen
printf 'y\nn\n' | "$cli" calibrate >/dev/null 2>&1  # creates the data tree, refused at once

# The same table of typed values as the window's entry: a value the entry
# cannot hold is refused before the run with the dialog's message.
while IFS=$'\t' read -r code text taken; do
    case "$code" in '#'* | '') continue ;; esac
    [ "$code" = 1 ] || continue
    # (--above-range: values beyond the oxygen range are taken here, the
    # zero question is answered n.)
    out=$(printf 'n\n' | "$cli" calibrate --above-range --reference "$text" 2>"$work/err"); rc=$?
    if [ "$taken" = refused ]; then
        [ $rc -eq 2 ] || fail "--reference $text gave exit $rc: $out"
        # A text no entry holds (five integer digits) is refused with the arguments.
        if ! grep -q "not a concentration" "$work/err"; then
            grep -qxF "\"$text\" - не является числом" "$work/err" || fail "--reference $text said: $(cat "$work/err")"
            grep -qxF "Формат значения для этого Датчика: 0000.0" "$work/err" || fail "no layout for $text"
        fi
        grep -q "Нулевую Концентрацию" "$work/err" && fail "--reference $text reached the zero question"
    else
        shown=$(printf '%04d.%d' $((taken / 1000)) $(((taken % 1000) / 100)))
        grep -qx "sensor .*, reference $shown" <<<"$out" || fail "--reference $text: $out / $(cat "$work/err")"
    fi
done <"$cases"

# Above the range 0-30: the window's question; --yes alone refuses it, and
# --above-range says it is meant.
out=$(printf 'n\n' | "$cli" calibrate --reference 50 2>"$work/err"); rc=$?
[ $rc -eq 1 ] || fail "range question answered n gave exit $rc"
grep -q "больше верхнего предела диапазона измерения Датчика" "$work/err" || fail "no range question: $(cat "$work/err")"
grep -q "Нулевую Концентрацию" "$work/err" && fail "range refused but the zero question came"
out=$(printf 'y\nn\n' | "$cli" calibrate --reference 50 2>"$work/err"); rc=$?
grep -q "Нулевую Концентрацию" "$work/err" || fail "range answered y but no zero question: $(cat "$work/err")"
out=$("$cli" calibrate --yes --reference 50 </dev/null 2>"$work/err"); rc=$?
[ $rc -eq 1 ] || fail "--yes above the range gave exit $rc"
grep -qx -- "-> No" "$work/err" || fail "--yes above the range not refused: $(cat "$work/err")"
grep -q -- "--above-range" "$work/err" || fail "the refusal does not name --above-range"
grep -q "Нулевую Концентрацию" "$work/err" && fail "--yes above the range reached the zero question"
out=$(printf 'n\n' | "$cli" calibrate --above-range --reference 50 2>"$work/err"); rc=$?
grep -qx -- "-> Yes (--above-range)" "$work/err" || fail "--above-range not taken: $(cat "$work/err")"
grep -q "Нулевую Концентрацию" "$work/err" || fail "--above-range did not reach the zero question"

# The reference rules' table, rows of the simulator's sensors: each typed
# value or cylinder is refused before the run, or taken after exactly the
# questions of the table (answered y here; the zero question then n).
declare -A profile=([methane]=default [oxygen]=oxygen [digital]=digital)
declare -A gas=([methane]=1 [oxygen]=5 [digital]=3)
declare -A decimals=([methane]=1 [oxygen]=1 [digital]=0)
lots=0
shown() { # thousandths as the sensor shows them: 0050.0, 0050.
    if [ "$2" = 0 ]; then printf '%04d.' $(($1 / 1000)); else printf '%04d.%d' $(($1 / 1000)) $((($1 % 1000) / 100)); fi
}
for sensor in methane oxygen digital; do
    start_sim --profile "${profile[$sensor]}"
    while IFS=$'\t' read -r row source value unit taken questions; do
        case "$row" in '#'* | '') continue ;; esac
        [ "$row" = "$sensor" ] || continue
        case "$source" in
            typed) what=(--reference "$value") ;;
            cylinder)
                id=$("$cli" cylinder add "${gas[$sensor]}" "$value" "$unit" "R-$((++lots))" 2099-01-01 |
                    sed -n 's/^cylinder \([0-9]*\) added$/\1/p')
                [ -n "$id" ] || fail "cylinder add $value $unit"
                what=(--cylinder "$id") ;;
            *) continue ;;
        esac
        case="$sensor ${what[*]} ($value $unit)"
        asked=0
        [ "$questions" = - ] || asked=$(tr ',' '\n' <<<"$questions" | wc -l)
        out=$({ yes y | head -n "$asked"; echo n; } | "$cli" calibrate "${what[@]}" 2>"$work/err"); rc=$?
        grep -c "Установить это значение?" "$work/err" >"$work/count"
        if [ "$taken" = refused ]; then
            [ $rc -ne 0 ] || fail "$case: taken: $out"
            grep -q "нельзя выбрать\|не является числом" "$work/err" || fail "$case said: $(cat "$work/err")"
            grep -q "Нулевую Концентрацию" "$work/err" && fail "$case: refused but the run began"
        else
            grep -qx "sensor .*, reference $(shown "$taken" "${decimals[$sensor]}")" <<<"$out" ||
                fail "$case: $out / $(cat "$work/err")"
            [ "$(cat "$work/count")" = "$asked" ] || fail "$case: asked $(cat "$work/count"), not $asked"
            grep -q "Нулевую Концентрацию" "$work/err" || fail "$case: no zero question: $(cat "$work/err")"
        fi
        grep -q "точностью до" "$work/err" && ! grep -q rounding <<<"$questions" && fail "$case: rounding asked"
        # Above the range: --yes alone refuses it before the run, --above-range
        # answers it (the rest at the prompt).
        grep -q range <<<"$questions" || continue
        "$cli" calibrate --yes "${what[@]}" </dev/null >/dev/null 2>"$work/err"; rc=$?
        [ $rc -eq 1 ] || fail "$case: --yes above the range gave exit $rc"
        grep -qx -- "-> No" "$work/err" || fail "$case: --yes above the range: $(cat "$work/err")"
        grep -q "Нулевую Концентрацию" "$work/err" && fail "$case: --yes above the range reached the zero question"
        out=$({ yes y | head -n $((asked - 1)); echo n; } | "$cli" calibrate --above-range "${what[@]}" 2>"$work/err")
        grep -qx -- "-> Yes (--above-range)" "$work/err" || fail "$case: --above-range: $(cat "$work/err")"
        grep -qx "sensor .*, reference $(shown "$taken" "${decimals[$sensor]}")" <<<"$out" ||
            fail "$case --above-range: $out / $(cat "$work/err")"
    done <"$rules"
done
# A rounding answered No: the run does not begin.
start_sim --profile oxygen
id=$("$cli" cylinder add 5 20.95 "% об.д." R-no 2099-01-01 | sed -n 's/^cylinder \([0-9]*\) added$/\1/p')
out=$(printf 'n\n' | "$cli" calibrate --cylinder "$id" 2>"$work/err"); rc=$?
[ $rc -eq 1 ] || fail "rounding answered n gave exit $rc"
[ "$(tail -n 1 <<<"$out")" = "ОТКАЗ !" ] || fail "rounding answered n: $out"
grep -q "Нулевую Концентрацию" "$work/err" && fail "rounding answered n but the run began"

# A run stopped by a signal in its zero stage ends with the sensor's own
# parameters written back (the read before equals the read after).
"$cli" read 2>/dev/null | grep -E '^OldParams\.(Slope|ZeroOffset|PgaGain)=' >"$work/before"
[ -s "$work/before" ] || fail "no parameters read"
for signal in INT TERM; do
    "$cli" calibrate --yes >"$work/out" 2>"$work/err" </dev/null &
    cal=$!
    # The start reads what the sensor holds and writes the run's parameters
    # (some 80 exchanges of 0.1 s) before the first sample: wait up to 60 s.
    for _ in $(seq 1200); do grep -q '^00:02 adc=' "$work/out" && break; sleep 0.05; done
    grep -q '^00:02 adc=' "$work/out" || fail "SIG$signal: the run did not start: $(cat "$work/out" "$work/err")"
    kill -"$signal" "$cal"
    wait "$cal"; rc=$?
    case $signal in INT) want=130 ;; TERM) want=143 ;; esac
    [ $rc -eq $want ] || fail "SIG$signal gave exit $rc: $(tail -n 3 "$work/out")"
    [ "$(tail -n 1 "$work/out")" = "ПРЕРВАНО !" ] || fail "SIG$signal ended with: $(tail -n 1 "$work/out")"
    grep -q "в Датчик записаны его параметры, бывшие до Градуировки" "$work/err" ||
        fail "SIG$signal: no word of the sensor put back: $(cat "$work/err")"
    "$cli" read 2>/dev/null | grep -E '^OldParams\.(Slope|ZeroOffset|PgaGain)=' >"$work/after"
    cmp -s "$work/before" "$work/after" || fail "SIG$signal: sensor changed: $(cat "$work/before" "$work/after")"
done

# --yes answers every question at once; the automatic chamber follows the
# run's pace, so the run ends saved.
start_sim --profile oxygen --auto --tau 0.3 --noise 0
timeout 600 "$cli" calibrate --yes >"$work/out" 2>"$work/err" </dev/null; rc=$?
[ $rc -eq 0 ] || fail "calibrate --yes with --auto gave exit $rc: $(tail -n 3 "$work/out") / $(tail -n 5 "$work/err")"
[ "$(tail -n 1 "$work/out")" = "OK !" ] || fail "calibrate --yes with --auto ended: $(tail -n 1 "$work/out")"
echo "calibrate_reference: passed"
