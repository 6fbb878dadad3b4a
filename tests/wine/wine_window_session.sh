# shellcheck shell=bash disable=SC2154
# Sourced by the Windows window tests and the installer test: a Wine prefix set
# up as an operator's PC, a virtual X display, and one session of the real
# window against gvc-devsim.
#
# The caller defines say, fail and die, the temporary folder $work, the array
# pids (stopped by the caller's clean-up, by process id), wine_cmd,
# wineserver_cmd and devsim, and exports WINEPREFIX, WINEARCH and WINEDEBUG.

# wine_prefix_setup: a fresh prefix whose drive D: is the scratch folder
# $drive_d and whose COM12 is the link $port_link that each simulator points at
# its pseudo-terminal (gvc-devsim --link); the device's USB keys name COM12, so
# that the program finds the simulator as it finds the real device. Until a
# simulator runs, the link points at /dev/null, so that Wine lists the port.
wine_prefix_setup() {
    "$wine_cmd" wineboot -i >"$work/wineboot.log" 2>&1 || die "wineboot failed: $(tail -5 "$work/wineboot.log")"
    "$wineserver_cmd" -w >/dev/null 2>&1
    drive_d="$work/drive-d"
    mkdir -p "$drive_d"
    ln -sfn "$drive_d" "$WINEPREFIX/dosdevices/d:"
    port_link="$work/com12"
    ln -sfn /dev/null "$port_link"
    local instance='HKLM\SYSTEM\CurrentControlSet\Enum\USB\VID_1FC9&PID_0003\VARNESTs-000'
    wine_reg_add 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$port_link"
    wine_reg_add "$instance" /v FriendlyName /t REG_SZ /d "Varnest USB VCom Port (COM12)"
    wine_reg_add "$instance"'\Device Parameters' /v PortName /t REG_SZ /d COM12
    "$wineserver_cmd" -k >/dev/null 2>&1
    "$wineserver_cmd" -w >/dev/null 2>&1
    "$wine_cmd" reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>&1 | tr -d '\r' | grep -Eq 'REG_SZ +COM12$' ||
        die "COM12 is not in SERIALCOMM"
}
wine_reg_add() { "$wine_cmd" reg add "$@" /f >/dev/null 2>&1 || die "wine reg add $* failed"; }

# start_virtual_display: Xvfb on a display number no server holds, exported
# as DISPLAY. Wine creates even Qt's hidden message windows through its X
# driver, so the offscreen tests need one too.
start_virtual_display() {
    local number=$((100 + $$ % 400))
    while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=":$number"
    for _ in $(seq 50); do
        xdotool getmouselocation >/dev/null 2>&1 && break
        sleep 0.1
    done
}

# window_named TEXT [SECONDS]: the id of a visible window whose title holds TEXT.
window_named() {
    local id
    for _ in $(seq $((${2:-30} * 5))); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$id" ] && {
            echo "$id"
            return 0
        }
        sleep 0.2
    done
    return 1
}
shot() { import -window root "$1" 2>/dev/null || fail "cannot take a screenshot $1"; }

# window_session FOLDER PROGRAM VERSION SCREENSHOT [DATA]: starts PROGRAM (a
# Windows path, or a name in FOLDER) with FOLDER as its working folder against a
# fresh gvc-devsim, on an empty data folder (DATA, the Linux path of the
# program's data folder; default D:\ВЕЛМОР_Датчики). Answers the data-directory question with Enter,
# checks the versioned title, the fixed size and the centred position, clicks
# "Подсоединить", checks that the whole sensor was read, opens the
# characteristics page and saves the window's picture as SCREENSHOT. Stops the
# program and the simulator.
window_session() {
    local folder=$1 program=$2 version=$3 picture=$4 data=${5:-$drive_d/ВЕЛМОР_Датчики} session
    session=$(mktemp -d "$work/session.XXXXXX")
    mkfifo "$session/sim.in"
    exec 7<>"$session/sim.in"
    "$devsim" --registry "$session/sim.reg" --memory "$session/sim.mem" --reset --profile default \
        --link "$port_link" --log "$session/sim.traffic" <"$session/sim.in" >"$session/sim.out" 2>&1 &
    local simulator=$!
    pids+=("$simulator")
    for _ in $(seq 100); do
        grep -q '^ready$' "$session/sim.out" && break
        sleep 0.05
    done
    grep -q '^ready$' "$session/sim.out" || die "gvc-devsim did not start: $(cat "$session/sim.out")"

    (cd "$folder" && exec "$wine_cmd" "$program") >"$session/program.log" 2>&1 &
    local running=$!
    pids+=("$running")

    # The first start on an empty D: asks to create the data directory: Yes (Enter).
    local question main title
    question=$(window_named "Предупреждение|Информация" 60) || {
        shot "$work/no-question.png"
        die "no data-directory question within 60 s: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null)"
    }
    timeout 10 xdotool windowfocus "$question" sleep 0.3 key Return || fail "cannot answer the question"
    main=$(window_named "Очередная Градуировка Сенсора" 30) || die "the main window did not appear"
    title=$(xdotool getwindowname "$main")
    say "main window: $title"
    [ "$title" = "Очередная Градуировка Сенсора (v_$version)" ] || fail "the title is '$title'"
    [ -f "$data/Отчет/REPORT.log" ] || fail "the answer Yes made no report log in $data"

    # The client area is 656 x 449; Wine draws the frame and caption in the X window.
    # shellcheck disable=SC2034 # xdotool also sets SCREEN and WINDOW
    local X Y WIDTH HEIGHT SCREEN WINDOW frame caption centre_x centre_y
    eval "$(xdotool getwindowgeometry --shell "$main")"
    frame=$(((WIDTH - 656) / 2))
    caption=$((HEIGHT - 449 - frame))
    say "window at $X,$Y, ${WIDTH}x$HEIGHT (frame $frame, caption $caption)"
    # Fixed size and centred on the 1024 x 768 screen.
    [ $frame -ge 0 ] && [ $caption -ge 0 ] && [ $caption -le 60 ] || fail "the window is ${WIDTH}x$HEIGHT, not 656 x 449 inside"
    centre_x=$((X + WIDTH / 2 - 512))
    centre_y=$((Y + HEIGHT / 2 - 384))
    [ ${centre_x#-} -le 10 ] && [ ${centre_y#-} -le 10 ] || fail "the window is not centred ($X,$Y)"
    # "Подсоединить" sits at 22,41 (83 x 25) in the client area.
    timeout 10 xdotool mousemove --window "$main" $((frame + 63)) $((caption + 53)) click 1
    for _ in $(seq 150); do
        [ "$(wc -l <"$session/sim.traffic" 2>/dev/null || echo 0)" -ge 43 ] && break
        sleep 0.2
    done
    sleep 2
    local exchanges box
    exchanges=$(wc -l <"$session/sim.traffic" 2>/dev/null || echo 0)
    [ "$exchanges" -ge 43 ] || fail "the connection read $exchanges packets, not the whole sensor"
    for box in "Ошибка" "Предупреждение"; do
        xdotool search --onlyvisible --name "$box" >/dev/null 2>&1 && fail "a box '$box' is open after the connection"
    done
    # The characteristics page, as after a connection the operator reads it.
    timeout 10 xdotool mousemove --window "$main" $((frame + 55)) $((caption + 114)) click 1
    sleep 1
    shot "$session/screen.png"
    convert "$session/screen.png" -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$picture" || fail "cannot crop the screenshot"
    say "connected: $exchanges exchanges; screenshot $picture"

    kill "$running" 2>/dev/null
    wait "$running" 2>/dev/null
    echo quit >&7
    wait "$simulator" 2>/dev/null
    exec 7>&-
    # No window of the program is left behind.
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "Очередная Градуировка Сенсора" >/dev/null 2>&1 || break
        sleep 0.2
    done
}
