#!/usr/bin/env bash
# gvc-cli table-check as a technician uses it: the shipped table passes, a
# damaged copy fails with the reader's message as the last line and exit 1.
set -u
cli=$1
table=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

out=$("$cli" table-check "$table" 2>"$work/err") || fail "shipped table refused: $out $(cat "$work/err")"
grep -q '^05 Кислород (O2): ' <<<"$out" || fail "no oxygen line in: $out"
[ "$(tail -n 1 <<<"$out")" = OK ] || fail "last line is not OK"
[ ! -s "$work/err" ] || fail "the shipped table has warnings: $(cat "$work/err")"

# A value that a sensor field cannot hold: gvc-tablegen and table-check warn on
# standard error, and both still succeed.
if [ -n "${3:-}" ]; then
    tablegen=$3
    sed '0,/^workResourceMax = .*/s//workResourceMax = 262800/' "$(dirname "$table")/table_description.txt" \
        >"$work/big.txt"
    "$tablegen" "$work/big.txt" "$work/big.dat" 2>"$work/gen.err" || fail "tablegen refused: $(cat "$work/gen.err")"
    grep -q 'warning: gas 01 Метан, type 01-00: workWarnPercent .* 16-bit sensor field' "$work/gen.err" ||
        fail "no tablegen warning: $(cat "$work/gen.err")"
    out=$("$cli" table-check "$work/big.dat" 2>"$work/err") || fail "table-check refused: $out"
    [ "$(tail -n 1 <<<"$out")" = OK ] || fail "last line is not OK: $out"
    [ "$(cat "$work/err")" = "$(sed 's/^[^:]*: //' "$work/gen.err")" ] ||
        fail "table-check warned otherwise: $(cat "$work/err")"
fi

# One letter of a list entry changed: the checksum no longer matches.
sed 's/Dynament/Dynamant/' "$table" > "$work/bad.dat"
out=$("$cli" table-check "$work/bad.dat" 2>&1); rc=$?
[ $rc -eq 1 ] || fail "damaged table gave exit $rc"
[ "$(tail -n 1 <<<"$out")" = "Не совпадает Контрольная Сумма" ] || fail "unexpected message: $out"

out=$("$cli" table-check "$work/missing.dat" 2>&1); rc=$?
[ $rc -eq 1 ] || fail "missing table gave exit $rc"
[ "$(tail -n 1 <<<"$out")" = "Не открывается файл Параметров для чтения" ] || fail "unexpected message: $out"

head -c 3000 "$table" > "$work/cut.dat"
out=$("$cli" table-check "$work/cut.dat" 2>&1); rc=$?
[ $rc -eq 1 ] || fail "cut table gave exit $rc"
echo "table-check: 4 cases passed"
