#!/usr/bin/env bash
# The Windows build of gvc-cli, run under Wine against gvc-devsim.
#
#   tests/wine/run_wine_tests.sh [NATIVE_BUILD_DIR]
#
# Installs what it needs (MinGW-w64, Wine, PostgreSQL), builds SQLite and
# libpq for MinGW (scripts/sqlite-mingw.sh, scripts/libpq-mingw.sh, cached),
# cross-builds gvc-cli.exe, gvc-sqlite-check.exe and gvc-libpq-check.exe into
# build-win, makes a fresh Wine prefix in a temporary folder, registers the
# simulator's pseudo-terminal as COM12 through HKLM\Software\Wine\Ports, adds
# the device's USB keys with `wine reg add` (checking the discovery messages of
# each missing key on the way), maps drive D: to a temporary folder and runs
# the Windows programs: gvc-sqlite-check (the linked-in SQLite makes a WAL
# database that the host's sqlite3 then reads), gvc-libpq-check (the linked-in
# libpq, through Wine's sockets, writes a row to a throw-away PostgreSQL
# cluster on 127.0.0.1 that the host's psql then reads), then gvc-cli's
# version, table-check, probe, read, sample, log-verify and calibrate, and
# replaces a file that a reader holds open (gvc-share-check). Cyrillic
# arguments (a path below D:\ВЕЛМОР_Датчики, a cylinder's unit and lot) reach
# gvc-cli.exe intact although the prefix's ANSI code page is not Windows-1251.
# Where the Linux build's calibration keeps a calibration database,
# the calibration under Wine must leave its row in its own and `db verify` pass.
# Where gvc-cli has the central commands, gvc-cli.exe sets up the central
# database on that cluster, connects and sends the run (once). The results are
# compared with the Linux build's (NATIVE_BUILD_DIR, default build/, made by
# test.sh; built here when missing). Then the failure cases: the simulator
# stopped and the port missing from SERIALCOMM.
#
# Last, drive D: is unmapped, as on a PC without it: the start-up names the
# folder and `gvc-cli data-folder set` moves the data to drive C:.
#
# Only processes started here are stopped, by their process id; the Wine server
# of the temporary prefix is stopped with `wineserver -k`.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
native=$(realpath -m "${1:-$top/build}")
win="$top/build-win"
started=$SECONDS

say() { printf '[wine %3ds] %s\n' $((SECONDS - started)) "$*"; }
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
die() {
    echo "FAIL: $*"
    exit 1
}

# --- Tools -------------------------------------------------------------------
"$top/scripts/install-deps.sh" g++-mingw-w64-x86-64-posix wine wine64 sqlite3 postgresql-15 ||
    die "cannot install MinGW-w64, Wine, SQLite's shell and PostgreSQL (g++-mingw-w64-x86-64-posix wine wine64 sqlite3 postgresql-15)"
wine_cmd=$(command -v wine || command -v wine-stable || true)
wineserver_cmd=$(command -v wineserver || command -v wineserver-stable || true)
[ -z "$wineserver_cmd" ] && [ -x /usr/lib/wine/wineserver ] && wineserver_cmd=/usr/lib/wine/wineserver
[ -n "$wine_cmd" ] && [ -n "$wineserver_cmd" ] || die "wine or wineserver not found after installing Wine"
say "tools ready: $wine_cmd, $wineserver_cmd"

# --- Builds ------------------------------------------------------------------
# SQLite for Windows, from Debian's source (cached after the first run).
sqlite_started=$SECONDS
sqlite_prefix=$("$top/scripts/sqlite-mingw.sh" | tail -n 1) || die "building SQLite for MinGW failed"
say "SQLite for MinGW: $sqlite_prefix ($((SECONDS - sqlite_started)) s)"
# libpq for Windows, from Debian's postgresql-15 source (cached after the first run).
libpq_started=$SECONDS
libpq_prefix=$("$top/scripts/libpq-mingw.sh" | tail -n 1) || die "building libpq for MinGW failed"
say "libpq for MinGW: $libpq_prefix ($((SECONDS - libpq_started)) s)"
cmake -S "$top" -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DGVC_BUILD_TESTS=OFF -DGVC_BUILD_BENCH=OFF -DGVC_BUILD_GUI=OFF >/dev/null ||
    die "configuring the Windows build failed"
cmake --build "$win" -j "$(nproc)" --target gvc-cli gvc-share-check gvc-sqlite-check gvc-libpq-check || die "the Windows build failed"
exe="$win/src/cli/gvc-cli.exe"
[ -f "$exe" ] || die "no $exe"
say "Windows build: $exe"
# SQLite and libpq are linked in: the programs import no DLL of them (nor of
# the MinGW run-time), only Windows' own.
for program in "$exe" "$win/gvc-sqlite-check.exe" "$win/gvc-libpq-check.exe"; do
    imports=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr '\n' ' ')
    if grep -qiE 'sqlite|libpq|libgcc|libstdc|libwinpthread|libssl|libcrypto' <<<"$imports"; then
        fail "$(basename "$program") imports a DLL that would have to ship beside it: $imports"
    else
        say "$(basename "$program") imports only $imports"
    fi
done

cli="$native/src/cli/gvc-cli"
devsim="$native/tools/devsim/gvc-devsim"
if [ ! -x "$cli" ] || [ ! -x "$devsim" ]; then
    if [ ! -f "$native/CMakeCache.txt" ]; then
        cmake -S "$top" -B "$native" -G Ninja -DGVC_BUILD_TESTS=OFF -DGVC_BUILD_BENCH=OFF -DGVC_BUILD_GUI=OFF \
            >/dev/null || die "configuring the Linux build failed"
    fi
    cmake --build "$native" -j "$(nproc)" --target gvc-cli gvc-devsim || die "the Linux build failed"
fi
say "Linux build: $cli"

# --- Work area, Wine prefix, clean-up -----------------------------------------
work=$(mktemp -d "${TMPDIR:-/tmp}/gvc-wine.XXXXXX")
export WINEPREFIX="$work/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installer
unset DISPLAY WAYLAND_DISPLAY
sims=()
runs=()
cleanup() {
    local pid
    for pid in "${runs[@]}" "${sims[@]}"; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    [ -d "$WINEPREFIX" ] && "$wineserver_cmd" -k 2>/dev/null
    [ -f "$work/pg/cluster.env" ] && "$top/tests/scripts/pg_cluster.sh" remove "$work/pg"
    rm -rf "$work"
}
trap cleanup EXIT

# Runs a Wine or Linux command with a hang guard; output files are given.
# The Windows program finds the device through the Wine registry alone, so the
# Linux build's discovery file is never in its environment.
WINE() { env -u GVC_REGISTRY_FILE -u GVC_DRIVE_D timeout 120 "$wine_cmd" "$exe" "$@"; }
linux_registry=
LINUX() {
    GVC_REGISTRY_FILE="$linux_registry" GVC_DRIVE_D="$work/linux-d" XDG_RUNTIME_DIR="$work/xdg" \
        timeout 120 "$cli" "$@"
}
nocr() { tr -d '\r' <"$1"; }
restart_wineserver() {
    "$wineserver_cmd" -k 2>/dev/null
    "$wineserver_cmd" -w 2>/dev/null
}

"$wine_cmd" wineboot -i >"$work/wineboot.log" 2>&1 || die "wineboot failed: $(tail -5 "$work/wineboot.log")"
"$wineserver_cmd" -w
say "Wine prefix ready ($("$wine_cmd" --version 2>/dev/null))"

drive_d="$work/drive-d"
linux_d="$work/linux-d"
mkdir -p "$drive_d" "$linux_d" "$work/xdg"
chmod 700 "$work/xdg"
ln -sfn "$drive_d" "$WINEPREFIX/dosdevices/d:"

# The simulator: gvc-devsim NAME [options]; sets sim_pid, sim_port, and fd 7/8
# for its standard input (commands) through a FIFO.
start_sim() {
    local name=$1
    shift
    mkfifo "$work/$name.in"
    local fd
    exec {fd}<>"$work/$name.in"
    "$devsim" --registry "$work/$name.reg" --memory "$work/$name.mem" --reset --profile default --tau 0.05 \
        --log "$work/$name.traffic" "$@" <"$work/$name.in" >"$work/$name.out" 2>&1 &
    sim_pid=$!
    sims+=("$sim_pid")
    sim_fd=$fd
    for _ in $(seq 200); do
        grep -q '^ready$' "$work/$name.out" && break
        sleep 0.05
    done
    grep -q '^ready$' "$work/$name.out" || die "gvc-devsim $name did not start: $(cat "$work/$name.out")"
    sim_port=$(sed -n 's/^port //p' "$work/$name.out")
}

start_sim a
sim_a=$sim_pid
fd_a=$sim_fd
port_a=$sim_port
say "gvc-devsim a on $port_a (for Wine as COM12)"

# --- The serial port ----------------------------------------------------------
# COM12 names a link to the pseudo-terminal rather than the terminal itself: when
# the simulator stops, the link goes first, so that the port can never reach a
# pseudo-terminal that another program has been given the number of meanwhile.
ln -s "$port_a" "$work/com12"
"$wine_cmd" reg add 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$work/com12" /f >/dev/null ||
    die "cannot register COM12"
restart_wineserver
"$wine_cmd" reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' >"$work/serialcomm" 2>&1
nocr "$work/serialcomm" | grep -Eq 'REG_SZ +COM12$' || die "COM12 is not in SERIALCOMM: $(cat "$work/serialcomm")"
say "COM12 -> $work/com12 -> $port_a is in HARDWARE\\DEVICEMAP\\SERIALCOMM"

# --- Discovery, key by key ----------------------------------------------------
usb='HKLM\SYSTEM\CurrentControlSet\Enum\USB'
hardware="$usb"'\VID_1FC9&PID_0003'
instance="$hardware"'\VARNESTs-000'

# probe_fails MESSAGE: the Windows probe fails with exactly this discovery text.
probe_fails() {
    WINE probe >"$work/neg.out" 2>"$work/neg.err" </dev/null
    local rc=$?
    local expected
    expected=$(printf 'Подсоединение: \nВарнест: %s\n' "$1")
    if [ $rc -ne 1 ] || [ "$(nocr "$work/neg.err")" != "$expected" ] || [ "$(nocr "$work/neg.out")" != "probe: failed" ]; then
        fail "probe should fail with '$1' (exit $rc): $(cat "$work/neg.err")"
    else
        say "probe refused: Варнест: $1"
    fi
}

regadd() { "$wine_cmd" reg add "$@" /f >/dev/null 2>&1 || die "wine reg add $* failed"; }

# A fresh prefix has no key of the device; each key added moves discovery one step on.
if "$wine_cmd" reg query "$usb" >/dev/null 2>&1; then
    probe_fails "В системе нет ни одного драйвера для Устройства!"
else
    probe_fails "В системе нет ни одного USB-драйвера!"
fi
regadd "$hardware"
probe_fails "Не установлен драйвер для Устройства!"
regadd "$instance" /v FriendlyName /t REG_SZ /d "Querante USB VCom Port (COM12)"
probe_fails "Недопустимое имя драйвера!"
regadd "$instance" /v FriendlyName /t REG_SZ /d "Varnest USB VCom Port (COM12)"
probe_fails "Не определены параметры для драйвер!"
regadd "$instance"'\Device Parameters' /v PortName /t REG_SZ /d ""
probe_fails "Не определен VCOM-порт для драйвера!"
regadd "$instance"'\Device Parameters' /v PortName /t REG_SZ /d COM12

# --- SQLite under Wine -------------------------------------------------------------
# The Windows build's SQLite makes a WAL database with a Cyrillic name and reads
# its row through a second connection; the host's sqlite3 then reads the file.
mkdir -p "$work/sqlite-check"
env -u GVC_DRIVE_D timeout 120 "$wine_cmd" "$win/gvc-sqlite-check.exe" 'Z:'"${work//\//\\}"'\sqlite-check' \
    >"$work/sqlite-check.out" 2>&1 </dev/null
rc=$?
check_db="$work/sqlite-check/Проверка.sqlite"
if [ $rc -ne 0 ] || [ "$(nocr "$work/sqlite-check.out" | tail -n 1)" != "sqlite check: OK" ]; then
    fail "gvc-sqlite-check.exe under Wine (exit $rc): $(cat "$work/sqlite-check.out")"
elif [ "$(sqlite3 "$check_db" 'PRAGMA journal_mode; SELECT count(*) || '"'|'"' || sensor FROM runs;' 2>&1)" != \
    "$(printf 'wal\n1|Датчик 00042')" ]; then
    fail "the host's sqlite3 reads from the Windows database: $(sqlite3 "$check_db" 'SELECT * FROM runs' 2>&1)"
else
    say "SQLite under Wine:"
    nocr "$work/sqlite-check.out"
    say "the host's sqlite3 reads the same WAL database and its row"
fi

# --- libpq under Wine ---------------------------------------------------------------
# The Windows build's libpq reaches a throw-away PostgreSQL cluster on 127.0.0.1
# through Wine's sockets, with the password from a pgpass file, and writes a
# row with a parameterised query; the host's psql then reads the same row.
if "$top/tests/scripts/pg_cluster.sh" start "$work/pg" >"$work/pg-start.log" 2>&1; then
    # shellcheck disable=SC1091
    . "$work/pg/cluster.env"
    say "PostgreSQL cluster on $GVC_PG_HOST:$GVC_PG_PORT"
    env -u PGPASSFILE timeout 120 "$wine_cmd" "$win/gvc-libpq-check.exe" "$GVC_PG_HOST" "$GVC_PG_PORT" \
        "$GVC_PG_ADMIN" 'Z:'"${GVC_PG_PASSFILE//\//\\}" >"$work/libpq-check.out" 2>"$work/libpq-check.err" </dev/null
    rc=$?
    expected_sensor="Датчик 00042 'ГАЗ'; DROP TABLE runs; --"
    read_back=$(PGPASSFILE="$GVC_PG_PASSFILE" PGCONNECT_TIMEOUT=10 timeout 60 psql -X -A -t -h "$GVC_PG_HOST" \
        -p "$GVC_PG_PORT" -U "$GVC_PG_ADMIN" -d gvc_libpq_check -c 'SELECT count(*), min(sensor) FROM runs' 2>&1)
    if [ $rc -ne 0 ] || [ "$(nocr "$work/libpq-check.out" | tail -n 1)" != "libpq check: OK" ]; then
        fail "gvc-libpq-check.exe under Wine (exit $rc): $(nocr "$work/libpq-check.out") $(nocr "$work/libpq-check.err")"
    elif [ "$read_back" != "1|$expected_sensor" ]; then
        fail "the host's psql reads from the database the Windows program wrote: $read_back"
    else
        say "libpq under Wine:"
        nocr "$work/libpq-check.out"
        say "the host's psql reads the same row"
    fi
else
    fail "starting a PostgreSQL cluster failed: $(tail -n 5 "$work/pg-start.log")"
fi

# --- The Windows program against the Linux build --------------------------------
cd "$top" || die "cannot enter $top"
linux_registry="$work/a.reg"  # the Linux build finds simulator a through its file

# same NAME ARGS...: both builds give the same exit code and the same bytes on
# standard output (gvc-cli writes binary UTF-8 on Windows too).
same() {
    local name=$1
    shift
    WINE "$@" >"$work/$name.win" 2>"$work/$name.win.err" </dev/null
    local wrc=$?
    LINUX "$@" >"$work/$name.lin" 2>"$work/$name.lin.err" </dev/null
    local lrc=$?
    if [ $wrc -ne $lrc ] || ! diff "$work/$name.win" "$work/$name.lin" >"$work/$name.diff"; then
        fail "$name: Windows (exit $wrc) and Linux (exit $lrc) differ: $(head -20 "$work/$name.diff")"
        return 1
    fi
    say "$name: exit $wrc, $(wc -l <"$work/$name.lin") lines, same as Linux"
    return 0
}

project_version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
WINE version >"$work/version.win" 2>&1 </dev/null || fail "version failed: $(cat "$work/version.win")"
say "version: $(nocr "$work/version.win")"
[ "$(nocr "$work/version.win")" = "$project_version" ] ||
    fail "version under Wine is '$(nocr "$work/version.win")', the project's is '$project_version'"
[ "$(LINUX version)" = "$project_version" ] || fail "the Linux build's version is not $project_version"

same table-check table-check DAT/TABL_GAZ_SENSOR_PARAM.dat && head -3 "$work/table-check.lin"

WINE probe >"$work/probe.win" 2>"$work/probe.win.err" </dev/null || fail "probe under Wine failed: $(cat "$work/probe.win.err")"
LINUX probe >"$work/probe.lin" 2>"$work/probe.lin.err" </dev/null || fail "Linux probe failed: $(cat "$work/probe.lin.err")"
# The port's name is the one difference: COM12 on Windows, the pseudo-terminal on Linux.
[ "$(nocr "$work/probe.win")" = "$(printf 'probe: OK\nВарнест: COM12')" ] || fail "probe under Wine: $(cat "$work/probe.win")"
[ "$(cat "$work/probe.lin")" = "$(printf 'probe: OK\nВарнест: %s' "$port_a")" ] || fail "Linux probe: $(cat "$work/probe.lin")"
say "probe: $(nocr "$work/probe.win" | tail -n 1) / Linux: $(tail -n 1 "$work/probe.lin")"

same read-before read && grep -E 'Slope|ZeroOffset=|CalibrationCount' "$work/read-before.lin"

WINE sample 5 >"$work/sample.win" 2>"$work/sample.win.err" </dev/null || fail "sample 5 under Wine failed: $(cat "$work/sample.win.err")"
if [ "$(nocr "$work/sample.win" | grep -cE '^status=[0-9]+ temperature=-?[0-9]+ adc=[0-9]+$')" -ne 5 ]; then
    fail "sample 5 under Wine: $(cat "$work/sample.win")"
else
    say "sample 5:"
    nocr "$work/sample.win"
fi

# --- Calibration: Windows against simulator a, Linux against b, at once ---------
# --yes answers every question; the script plays the operator at the gas valve:
# zero gas at the question that opens a zero stage, reference gas at the one that
# opens the reference stage. The questions go to standard error, which is not
# buffered, so they are seen as they are asked.
follow_gas() {
    local pid=$1 err=$2 fd=$3 seen=0 questions
    while kill -0 "$pid" 2>/dev/null; do
        mapfile -t questions < <(grep -aoE 'Градуировка (Нуля|Эталона)' "$err" 2>/dev/null)
        while [ "$seen" -lt "${#questions[@]}" ]; do
            case "${questions[$seen]}" in
                *Нуля) echo "gas zero" >&"$fd" ;;
                *Эталона) echo "gas ref" >&"$fd" ;;
            esac
            seen=$((seen + 1))
        done
        sleep 0.1
    done
}

usage=$(LINUX 2>&1)
if ! grep -q '^  calibrate' <<<"$usage"; then
    fail "gvc-cli lists no calibrate command: $usage"
else
    start_sim b
    fd_b=$sim_fd
    env -u GVC_REGISTRY_FILE -u GVC_DRIVE_D timeout 400 "$wine_cmd" "$exe" calibrate --yes \
        >"$work/cal.win" 2>"$work/cal.win.err" </dev/null &
    cal_win=$!
    runs+=("$cal_win")
    GVC_REGISTRY_FILE="$work/b.reg" GVC_DRIVE_D="$linux_d" XDG_RUNTIME_DIR="$work/xdg" timeout 400 "$cli" \
        calibrate --yes >"$work/cal.lin" 2>"$work/cal.lin.err" </dev/null &
    cal_lin=$!
    runs+=("$cal_lin")
    follow_gas "$cal_win" "$work/cal.win.err" "$fd_a" &
    follower_win=$!
    follow_gas "$cal_lin" "$work/cal.lin.err" "$fd_b" &
    follower_lin=$!
    say "calibrate --yes running under Wine and on Linux"
    wait "$cal_win"
    rc_win=$?
    wait "$cal_lin"
    rc_lin=$?
    runs=()
    wait "$follower_win" "$follower_lin"
    say "calibrate --yes: Windows exit $rc_win, Linux exit $rc_lin"
    grep -av 'adc=' "$work/cal.win" | tr -d '\r'
    [ $rc_win -eq 0 ] && [ "$(nocr "$work/cal.win" | tail -1)" = "OK !" ] ||
        fail "calibrate under Wine: exit $rc_win, $(tail -3 "$work/cal.win") $(tail -5 "$work/cal.win.err")"
    [ $rc_lin -eq 0 ] && [ "$(tail -1 "$work/cal.lin")" = "OK !" ] ||
        fail "Linux calibrate: exit $rc_lin, $(tail -3 "$work/cal.lin") $(tail -5 "$work/cal.lin.err")"

    # What the Windows program wrote below D:\ВЕЛМОР_Датчики, checked by the Linux build.
    win_log="$drive_d/ВЕЛМОР_Датчики/Отчет/REPORT.log"
    if LINUX log-verify "$win_log" >"$work/verify-win-log" 2>&1 && grep -q '^report log intact: 1 records$' "$work/verify-win-log"; then
        say "Linux log-verify of the Windows report log:"
        cat "$work/verify-win-log"
    else
        fail "Linux log-verify of the Windows report log: $(cat "$work/verify-win-log")"
    fi
    mapfile -t certificates < <(find "$drive_d/ВЕЛМОР_Датчики/Датчики" -type f -name '*.dat')
    if [ "${#certificates[@]}" -ne 1 ]; then
        fail "expected one certificate below D:\\ВЕЛМОР_Датчики\\Датчики, found ${#certificates[@]}"
    elif LINUX log-verify "${certificates[0]}" >"$work/verify-win-cert" 2>&1 &&
        grep -q '^certificate intact: ' "$work/verify-win-cert"; then
        say "Linux log-verify of the Windows certificate ${certificates[0]#"$drive_d/"}: $(tail -1 "$work/verify-win-cert")"
    else
        fail "Linux log-verify of the Windows certificate: $(cat "$work/verify-win-cert")"
    fi

    # The calibration database: where the Linux build's calibration left its
    # database, the run under Wine must have left the same: one row in runs of a
    # WAL database, which the Windows program's own `db verify` finds sound.
    win_db="$drive_d/ВЕЛМОР_Датчики/calibrations.sqlite"
    lin_db="$linux_d/ВЕЛМОР_Датчики/calibrations.sqlite"
    if [ ! -f "$lin_db" ]; then
        say "NOT CHECKED: the calibration database (the Linux build's calibration keeps none)"
    else
        lin_state=$(sqlite3 -readonly "$lin_db" 'PRAGMA journal_mode; SELECT count(*) FROM runs;' 2>&1)
        win_state=$(sqlite3 -readonly "$win_db" 'PRAGMA journal_mode; SELECT count(*) FROM runs;' 2>&1)
        expected=$(printf 'wal\n1')
        if [ ! -f "$win_db" ]; then
            fail "the calibration under Wine left no D:\\ВЕЛМОР_Датчики\\calibrations.sqlite"
        elif [ "$win_state" != "$expected" ] || [ "$lin_state" != "$expected" ]; then
            fail "journal mode and rows of runs: under Wine '${win_state//$'\n'/ }', Linux '${lin_state//$'\n'/ }'"
        else
            say "the calibration under Wine left one row in runs of its WAL database, as on Linux"
        fi
        if grep -q '^  db' <<<"$usage"; then
            WINE db verify >"$work/db-verify.win" 2>&1 </dev/null
            rc_win=$?
            if [ $rc_win -ne 0 ]; then
                fail "db verify under Wine (exit $rc_win): $(nocr "$work/db-verify.win")"
            else
                say "db verify under Wine: $(nocr "$work/db-verify.win" | tail -n 1)"
            fi
        fi
    fi

    # The Linux build's report log, checked by the Windows program.
    lin_log="$linux_d/ВЕЛМОР_Датчики/Отчет/REPORT.log"
    cp "$lin_log" "$work/linux-report.log" 2>/dev/null || fail "the Linux calibration wrote no report log"
    WINE log-verify 'Z:'"${work//\//\\}"'\linux-report.log' >"$work/log-verify.win" 2>&1 </dev/null
    rc_win=$?
    LINUX log-verify "$work/linux-report.log" >"$work/log-verify.lin" 2>&1 </dev/null
    rc_lin=$?
    if [ $rc_win -ne 0 ] || [ $rc_lin -ne 0 ] || ! cmp -s "$work/log-verify.win" "$work/log-verify.lin" ||
        ! grep -q '^report log intact: 1 records$' "$work/log-verify.lin"; then
        fail "log-verify of the Linux report log: Windows exit $rc_win: $(cat "$work/log-verify.win"); Linux exit $rc_lin"
    else
        say "log-verify under Wine of the Linux build's report log, same as Linux:"
        nocr "$work/log-verify.win"
    fi

    # The simulator's memory holds what the Windows program wrote.
    same read-after read
    for field in OldParams.Slope OldParams.ZeroOffset OldParams.ZeroOffsetSign OldParams.PgaGain \
        OldParams.CalibrationCount; do
        before=$(sed -n "s/^$field=//p" "$work/read-before.lin")
        after=$(sed -n "s/^$field=//p" "$work/read-after.lin")
        echo "  $field: $before -> $after"
    done
    count_before=$(sed -n 's/^OldParams.CalibrationCount=//p' "$work/read-before.lin")
    count_after=$(sed -n 's/^OldParams.CalibrationCount=//p' "$work/read-after.lin")
    [ "$count_after" = $((count_before + 1)) ] || fail "CalibrationCount went from $count_before to $count_after"
    # The slope and zero offset the Windows program saved are the sensor's now
    # (within the rounding of the stored scaling).
    saved=$(nocr "$work/cal.win" | sed -n 's/^saved slope=\(-\{0,1\}[0-9]*\) offset=\(-\{0,1\}[0-9]*\) .*/\1 \2/p')
    read -r saved_slope saved_offset <<<"$saved"
    slope=$(sed -n 's/^OldParams.Slope=//p' "$work/read-after.lin")
    offset=$(sed -n 's/^OldParams.ZeroOffset=//p' "$work/read-after.lin")
    sign=$(sed -n 's/^OldParams.ZeroOffsetSign=//p' "$work/read-after.lin")
    if [ -z "$saved_slope" ] || [ -z "$slope" ] || [ -z "$offset" ] || [ -z "$sign" ]; then
        fail "no saved or read coefficients: saved '$saved', read slope '$slope' offset '$offset' sign '$sign'"
    else
        d_slope=$((slope - saved_slope))
        d_offset=$((sign * offset - saved_offset))
        if [ "${d_slope#-}" -le 1 ] && [ "${d_offset#-}" -le 1 ]; then
            say "the simulator's memory holds the saved slope $saved_slope and zero offset $saved_offset"
        else
            fail "saved slope $saved_slope offset $saved_offset, the sensor holds $slope and $((sign * offset))"
        fi
    fi
fi

# --- Cyrillic arguments -------------------------------------------------------------
# Wine hands the program its command line in UTF-16; the prefix's ANSI code page
# here is not Windows-1251, so a program that read the narrow argv would get "?"
# for every Cyrillic letter: the report log by its Cyrillic path would be "not
# found", and a cylinder's unit and lot would be stored as question marks.
if [ -f "${win_log:-}" ]; then
    WINE log-verify 'D:\ВЕЛМОР_Датчики\Отчет\REPORT.log' >"$work/cyrillic-log.win" 2>&1 </dev/null
    rc=$?
    if [ $rc -ne 0 ] || ! nocr "$work/cyrillic-log.win" | grep -q '^report log intact: 1 records$'; then
        fail "log-verify D:\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log under Wine (exit $rc): $(nocr "$work/cyrillic-log.win")"
    else
        say "log-verify by the Cyrillic path D:\\ВЕЛМОР_Датчики\\Отчет\\REPORT.log: $(nocr "$work/cyrillic-log.win" | tail -n 1)"
    fi
fi
if [ -f "${win_db:-}" ]; then
    WINE cylinder add 1 50 '% НКПР' 'ПГС-1' 2031-01-01 >"$work/cyrillic-cylinder.win" 2>&1 </dev/null
    rc=$?
    WINE cylinder list >"$work/cyrillic-list.win" 2>&1 </dev/null
    if [ $rc -ne 0 ]; then
        fail "cylinder add with a Cyrillic unit and lot under Wine (exit $rc): $(nocr "$work/cyrillic-cylinder.win")"
    elif ! nocr "$work/cyrillic-list.win" | grep -qP '\t50\t% НКПР\tПГС-1\t2031-01-01\t'; then
        fail "the cylinder's unit and lot under Wine are not '% НКПР' and 'ПГС-1': $(nocr "$work/cyrillic-list.win")"
    else
        say "cylinder add with the unit '% НКПР' and the lot 'ПГС-1': $(nocr "$work/cyrillic-list.win" | tail -n 1)"
    fi
fi

# --- The central database under Wine ------------------------------------------------
# gvc-cli.exe sets up the central database on the cluster of the libpq check
# (init as its administrator, a workstation login with its password from a
# file), connects this workstation (D:\ВЕЛМОР_Датчики\central.ini and its
# password file), and sends the run of the calibration above: once, and
# nothing the second time; the host's psql finds that run on the server.
# The workstation's password file is the default D:\ВЕЛМОР_Датчики\central.pgpass:
# Wine's ANSI code page here is not Windows-1251, so this also shows that the
# program reads that file itself (libpq's narrow calls would not find it).
if [ -f "$work/pg/cluster.env" ] && grep -q '^  central' <<<"${usage:-}" && [ -f "${win_db:-}" ]; then
    win_path() { printf 'Z:%s' "${1//\//\\}"; }
    admin=(--host "$GVC_PG_HOST" --port "$GVC_PG_PORT" --database gvc_lab --user "$GVC_PG_ADMIN"
        --passfile "$(win_path "$GVC_PG_PASSFILE")")
    (umask 077 && head -c 18 /dev/urandom | base64 | tr -d '/+=' >"$work/ws.pw")
    psql_admin() {
        PGPASSFILE="$GVC_PG_PASSFILE" PGCONNECT_TIMEOUT=10 timeout 60 psql -X -A -t -q -h "$GVC_PG_HOST" \
            -p "$GVC_PG_PORT" -U "$GVC_PG_ADMIN" "$@" 2>&1
    }
    central_step() { # NAME ARGS...: gvc-cli.exe central ARGS, output in $work/NAME.out
        local name=$1
        shift
        WINE central "$@" >"$work/$name.out" 2>&1 </dev/null
        local rc=$?
        if [ $rc -ne 0 ]; then
            fail "central $* under Wine (exit $rc): $(nocr "$work/$name.out")"
            return 1
        fi
        say "central $1 under Wine: $(nocr "$work/$name.out" | tr '\n' ' ')"
    }
    if [ "$(psql_admin -d postgres -c 'CREATE DATABASE gvc_lab')" != "" ]; then
        fail "creating the database gvc_lab failed"
    elif central_step central-init init "${admin[@]}" &&
        central_step central-user add-user gvc_ws_wine --password-file "$(win_path "$work/ws.pw")" "${admin[@]}" &&
        central_step central-connect connect --host "$GVC_PG_HOST" --port "$GVC_PG_PORT" --database gvc_lab \
            --user gvc_ws_wine --password-file "$(win_path "$work/ws.pw")" &&
        central_step central-send send && central_step central-send-again send; then
        local_run=$(sqlite3 -readonly "$win_db" 'SELECT group_concat(run_id) FROM runs' 2>&1)
        server_runs=$(psql_admin -d gvc_lab -c 'SELECT count(*) || '"'|'"' || min(run_id) FROM gvc.runs')
        if ! grep -q '^sent 1, already there 0, refused 0, left 0' <(nocr "$work/central-send.out"); then
            fail "the first central send under Wine did not send the one run: $(nocr "$work/central-send.out")"
        elif ! grep -q '^sent 0, already there 0, refused 0, left 0' <(nocr "$work/central-send-again.out"); then
            fail "the second central send under Wine sent again: $(nocr "$work/central-send-again.out")"
        elif [ "$server_runs" != "1|$local_run" ]; then
            fail "the server holds '$server_runs', the Windows workstation's run is '$local_run'"
        else
            say "the server holds the Windows workstation's run $local_run, once"
        fi
    fi
elif [ -f "$work/pg/cluster.env" ]; then
    say "NOT CHECKED: central send under Wine (no calibration database or no central command)"
fi
if [ -f "$work/pg/cluster.env" ]; then
    "$top/tests/scripts/pg_cluster.sh" remove "$work/pg" || fail "removing the PostgreSQL cluster failed"
fi

# --- Replacing a file that a reader holds open ---------------------------------
# The report log and a certificate are replaced by a rename while the log page,
# export-csv or a scanner may be reading them.
if env -u GVC_DRIVE_D timeout 120 "$wine_cmd" "$win/tests/wine/gvc-share-check.exe" 'D:\share-check' \
    >"$work/share.out" 2>&1; then
    say "replaced while read: $(grep -c '^ok' "$work/share.out") checks"
else
    fail "replacing a file a reader holds open: $(nocr "$work/share.out")"
fi

# --- Failure cases -------------------------------------------------------------
# The simulator stopped: the port stays listed and Wine still opens COM12 (its
# serial device opens the Unix side lazily), but no packet gets through. On
# Windows a vanished port fails at the open instead ("USB не открывается!").
rm -f "$work/com12"
kill "$sim_a"
wait "$sim_a" 2>/dev/null
sims=("${sims[@]/$sim_a/}")
WINE probe >"$work/neg.out" 2>"$work/neg.err" </dev/null
rc=$?
stopped=$(nocr "$work/neg.err")
if [ $rc -eq 1 ] && [ "$(nocr "$work/neg.out")" = "probe: failed" ] &&
    { [ "$stopped" = "Не проходит пакет в устройство Градуировки" ] ||
        [ "$stopped" = "$(printf 'Подсоединение: \nВарнест: USB не открывается!')" ]; }; then
    say "simulator stopped: probe refused: $stopped"
else
    fail "probe with the simulator stopped (exit $rc): $(cat "$work/neg.out") / $stopped"
fi
# The port gone from the serial-port map, as after unplugging on Windows.
"$wine_cmd" reg delete 'HKLM\Software\Wine\Ports' /v COM12 /f >/dev/null 2>&1 || fail "cannot remove COM12"
restart_wineserver
probe_fails "Устройство не подключено!"

# --- A PC without drive D: -------------------------------------------------------
# Drive D: unmapped (a new prefix has only C: and Z:): the start-up names the
# folder it cannot make and how to set another; `data-folder set` keeps another
# folder for the PC in %ProgramData%\G_Varnest\G_Varnest.ini, and the next
# start makes that folder (its parent too) with the report log in it. The
# device is gone by now, so calibrate ends at the connection, after the start-up.
rm -f "$WINEPREFIX/dosdevices/d:"
restart_wineserver
WINE calibrate --yes >"$work/nod.out" 2>"$work/nod.err" </dev/null
rc=$?
if [ $rc -ne 1 ] || ! nocr "$work/nod.err" | grep -qF 'Директорию Данных D:\ВЕЛМОР_Датчики создать нельзя: нет диска D:' ||
    ! nocr "$work/nod.err" | grep -qF 'gvc-cli data-folder set E:\ВЕЛМОР_Датчики'; then
    fail "calibrate without drive D: (exit $rc): $(nocr "$work/nod.out") / $(nocr "$work/nod.err")"
else
    say "without drive D: the start-up says: $(nocr "$work/nod.err" | head -n 2 | tr '\n' ' ')"
fi
WINE data-folder set 'C:\Лаборатория\ВЕЛМОР_Датчики' >"$work/nod-set.out" 2>&1 </dev/null
rc=$?
machine_ini="$WINEPREFIX/drive_c/ProgramData/G_Varnest/G_Varnest.ini"
if [ $rc -ne 0 ] || [ "$(iconv -f CP1251 -t UTF-8 "$machine_ini" 2>&1 | tr -d '\r')" != 'data_folder=C:\Лаборатория\ВЕЛМОР_Датчики' ]; then
    fail "data-folder set under Wine (exit $rc): $(nocr "$work/nod-set.out") / $(cat "$machine_ini" 2>&1)"
else
    say "data-folder set: $(nocr "$work/nod-set.out" | head -n 1)"
fi
WINE calibrate --yes >"$work/nod2.out" 2>"$work/nod2.err" </dev/null
new_log="$WINEPREFIX/drive_c/Лаборатория/ВЕЛМОР_Датчики/Отчет/REPORT.log"
if [ ! -f "$new_log" ]; then
    fail "the start-up did not make C:\\Лаборатория\\ВЕЛМОР_Датчики: $(nocr "$work/nod2.out") / $(nocr "$work/nod2.err")"
elif ! nocr "$work/nod2.err" | grep -qF 'C:\Лаборатория\ВЕЛМОР_Датчики'; then
    fail "the first-start question does not name C:\\Лаборатория\\ВЕЛМОР_Датчики: $(nocr "$work/nod2.err")"
else
    say "the next start made C:\\Лаборатория\\ВЕЛМОР_Датчики with its report log: $(nocr "$work/nod2.err" | head -n 2 | tr '\n' ' ')"
fi

# The same on a console: under a pseudo-terminal Wine gives the program a
# console, which takes its text as UTF-16 (WriteConsoleW) and shows the
# Cyrillic folder as such.
if command -v script >/dev/null; then
    env -u GVC_REGISTRY_FILE -u GVC_DRIVE_D timeout 120 script -qc "'$wine_cmd' '$exe' data-folder" /dev/null \
        </dev/null >"$work/console.out" 2>&1
    if nocr "$work/console.out" | grep -qF 'data folder: C:\Лаборатория\ВЕЛМОР_Датчики'; then
        say "on a console: $(nocr "$work/console.out" | grep -F 'data folder:' | sed 's/\x1b\[[?0-9;]*[a-zA-Z]//g')"
    else
        fail "data-folder on a console: $(cat -v "$work/console.out" | head -n 3)"
    fi
fi

say "done in $((SECONDS - started)) s"
if [ "$failures" -ne 0 ]; then
    echo "wine: $failures failure(s)"
    exit 1
fi
echo "wine: all checks passed"
