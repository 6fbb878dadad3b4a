#!/usr/bin/env bash
# The Windows Installer package G_Varnest-<version>-x64.msi under Wine, in a
# fresh prefix, as an administrator uses it (msiexec ... /qn):
# - a silent install puts the program, DAT\ and Help\ into Program Files\G_Varnest,
#   a Start-menu shortcut and one entry under installed programs (name,
#   version, publisher, icon, install folder, link to the guide);
# - the program started through the shortcut's target and working folder shows
#   its versioned title and reads the sensor from gvc-devsim;
# - the same version installed again stays one installed version;
# - an uninstall removes the program's files, the shortcut and the entry;
# - a package of a lower version (built here from the same files) installed and
#   then upgraded leaves one installed version, the new one; the older package
#   is then refused;
# - the operator's data folder D:\ВЕЛМОР_Датчики is the same, file for file,
#   after every install, upgrade and uninstall;
# - without drive D:, DATADIR="C:\Данные\ВЕЛМОР_Датчики" names the PC's data
#   folder, which the program's first start makes; without DATADIR the first
#   start offers another folder, and the one chosen is kept for the PC.
#
#   tests/wine/run_wine_msi_tests.sh [NATIVE_BUILD_DIR]
#
# Needs the Windows build configured by run_wine_gui_tests.sh (build-win-gui),
# which calls this script; builds the target win-msi there.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
native=$(realpath -m "${1:-$top/build}")
win="$top/build-win-gui"
started=$SECONDS

say() { printf '[wine-msi %3ds] %s\n' $((SECONDS - started)) "$*"; }
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
die() {
    echo "FAIL: $*"
    exit 1
}

"$top/scripts/install-deps.sh" wine wine64 xvfb xauth xdotool imagemagick wixl msitools python3 ||
    die "cannot install Wine, wixl and the X tools"
wine_cmd=$(command -v wine || command -v wine-stable || true)
wineserver_cmd=$(command -v wineserver || command -v wineserver-stable || true)
[ -z "$wineserver_cmd" ] && [ -x /usr/lib/wine/wineserver ] && wineserver_cmd=/usr/lib/wine/wineserver
[ -n "$wine_cmd" ] && [ -n "$wineserver_cmd" ] || die "wine or wineserver not found"
devsim="$native/tools/devsim/gvc-devsim"
[ -x "$devsim" ] || die "no $devsim"
[ -f "$win/CMakeCache.txt" ] || die "$win is not configured: run tests/wine/run_wine_gui_tests.sh"

# --- The packages: this version, and a lower one from the same files -------------------
cmake --build "$win" --target win-msi || die "building the installer package failed"
version=$(sed -n 's/^project([^)]*VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
msi="$win/G_Varnest-$version-x64.msi"
stage="$win/win-msi/G_Varnest"
[ -f "$msi" ] && [ -d "$stage" ] || die "no $msi or $stage"
major=${version%%.*}
[ "$major" -ge 1 ] || die "version $version has no lower major version to upgrade from"
older_version="$((major - 1)).9.0"
work=$(mktemp -d "${TMPDIR:-/tmp}/gvc-wine-msi.XXXXXX")
older="$work/older/G_Varnest-$older_version-x64.msi"
"$top/packaging/windows/make-msi.sh" "$stage" "$older_version" "$older" >/dev/null || die "building $older failed"
say "packages: $(basename "$msi") ($(du -h "$msi" | cut -f1)), $(basename "$older")"

# --- A fresh prefix ----------------------------------------------------------------------
export WINEPREFIX="$work/prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko installer; no menu entries written into the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    [ -d "$WINEPREFIX" ] && "$wineserver_cmd" -k >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
. "$top/tests/wine/wine_window_session.sh"
wine_prefix_setup
start_virtual_display
say "fresh Wine prefix: D: -> $drive_d"

install_dir="$WINEPREFIX/drive_c/Program Files/G_Varnest"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# msiexec OPTION PACKAGE|PRODUCT_CODE [PROPERTY=VALUE...]: silent, from the package's folder; the status.
msiexec() {
    local what=$2
    if [ -f "$what" ]; then
        (cd "$(dirname "$what")" && "$wine_cmd" msiexec "$1" "$(basename "$what")" /qn "${@:3}")
    else
        "$wine_cmd" msiexec "$1" "$what" /qn "${@:3}"
    fi
    local status=$?
    "$wineserver_cmd" -w >/dev/null 2>&1
    return $status
}
# installed: "KEY VERSION" of every entry under installed programs named G_Varnest.
installed() {
    "$wine_cmd" reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' | awk '
        /^HKEY/ { key = $0; sub(/.*\\/, "", key) }
        $1 == "DisplayName" && $3 == "G_Varnest" && NF == 3 { named[key] = 1 }
        $1 == "DisplayVersion" { version[key] = $3 }
        END { for (k in named) print k, version[k] }'
}
entry_value() { # KEY NAME: one value of an entry under installed programs
    "$wine_cmd" reg query "$uninstall_key\\$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
# expect_installed VERSION|none WHEN
expect_installed() {
    local entries
    entries=$(installed)
    if [ "$1" = none ]; then
        [ -z "$entries" ] || fail "$2: still installed: $entries"
    else
        [ "$(wc -l <<<"$entries")" -eq 1 ] && [ "${entries#* }" = "$1" ] ||
            fail "$2: installed are '$(tr '\n' ';' <<<"$entries")', not one version $1"
    fi
}
# The Start-menu shortcut. Windows puts a per-machine one into the common Start
# menu; Wine 8's msi puts it into the user's.
shortcut() {
    local f
    for f in "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/G_Varnest.lnk" \
        "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/G_Varnest.lnk; do
        [ -f "$f" ] && {
            echo "$f"
            return 0
        }
    done
    return 1
}
# expect_program_installed WHEN: the files are the package's, the shortcut is there.
expect_program_installed() {
    diff -r "$stage" "$install_dir" >"$work/diff.log" 2>&1 ||
        fail "$1: the install folder differs from the package's files: $(head -5 "$work/diff.log")"
    shortcut >/dev/null || fail "$1: no Start-menu shortcut G_Varnest.lnk"
}
expect_program_removed() {
    [ ! -e "$install_dir" ] || fail "$1: $install_dir is left: $(find "$install_dir" | head -5)"
    ! shortcut >/dev/null || fail "$1: the shortcut $(shortcut) is left"
    ! "$wine_cmd" reg query 'HKLM\Software\G_Varnest' >/dev/null 2>&1 || fail "$1: HKLM\\Software\\G_Varnest is left"
}
# The operator's data: every folder and file with its checksum.
data_listing() {
    (cd "$drive_d" && find . -printf '%y %p\n' | LC_ALL=C sort && find . -type f -exec sha256sum {} + | LC_ALL=C sort)
}
expect_data_kept() {
    data_listing >"$work/data.now"
    diff "$work/data.before" "$work/data.now" >"$work/data.diff" || fail "$1 changed the data folder: $(head "$work/data.diff")"
}

# --- Install, the shortcut, the entry, the program --------------------------------------
msiexec /i "$msi" || fail "msiexec /i $(basename "$msi") /qn ended with status $?"
expect_installed "$version" "after the install"
expect_program_installed "after the install"
product=$(installed | cut -d' ' -f1)
for check in "DisplayName=G_Varnest" "DisplayVersion=$version" "Publisher=G_Varnest developers" \
    "HelpLink=C:\\Program Files\\G_Varnest\\Help\\operator_guide.html" "InstallLocation=C:\\Program Files\\G_Varnest\\" \
    "NoModify=0x1"; do
    value=$(entry_value "$product" "${check%%=*}")
    [ "$value" = "${check#*=}" ] || fail "installed programs: ${check%%=*} is '$value', not '${check#*=}'"
done
# The icon: Windows Installer keeps it for the entry under the product code.
icon=$("$wine_cmd" reg query 'HKLM\Software\Classes\Installer\Products' /s 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *ProductIcon *REG_SZ *//p' | grep -F "$product" | head -n 1)
if [ -z "$icon" ]; then
    fail "installed programs: no ProductIcon for $product"
else
    cmp -s "$("$wine_cmd" winepath -u "$icon" 2>/dev/null)" "$top/src/gui/icons/g_varnest.ico" ||
        fail "installed programs: the icon $icon is not the program's"
fi
say "installed $version as $product: $(find "$install_dir" -type f | wc -l) files, entry with its icon and guide"

link=$(shortcut) || die "no shortcut to start the program from"
{
    read -r target
    read -r working_dir
} < <(python3 "$top/tests/wine/read_lnk.py" "$link")
say "shortcut $(basename "$link"): '$target' in '$working_dir'"
[ "$(realpath -m "$("$wine_cmd" winepath -u "$target" 2>/dev/null)")" = "$install_dir/G_Varnest.exe" ] ||
    fail "the shortcut's target is '$target'"
folder=$("$wine_cmd" winepath -u "$working_dir" 2>/dev/null)
[ "$(realpath -m "$folder")" = "$install_dir" ] || fail "the shortcut's working folder is '$working_dir'"
window_session "$folder" "$target" "$version" "$win/windows_installed_window.png"

# The operator's data from now on: what the program made, and a file of the operator's.
echo "the operator's own file" >"$drive_d/ВЕЛМОР_Датчики/notes.txt"
data_listing >"$work/data.before"

# --- The same version again, uninstall ---------------------------------------------------
msiexec /i "$msi" || say "the same version again: msiexec status $?"
expect_installed "$version" "after installing the same version again"
expect_data_kept "installing the same version again"
msiexec /x "$msi" || fail "msiexec /x $(basename "$msi") /qn ended with status $?"
expect_installed none "after the uninstall"
expect_program_removed "after the uninstall"
expect_data_kept "the uninstall"
say "uninstalled: no program files, shortcut or entry left; data folder unchanged"

# --- Upgrade from a lower version, then the older package refused -------------------------
msiexec /i "$older" || fail "msiexec /i $(basename "$older") /qn ended with status $?"
expect_installed "$older_version" "after installing $older_version"
msiexec /i "$msi" || fail "the upgrade ended with status $?"
expect_installed "$version" "after the upgrade from $older_version"
expect_program_installed "after the upgrade"
expect_data_kept "the upgrade"
if msiexec /i "$older"; then fail "the older package installed over the newer one"; fi
expect_installed "$version" "after trying the older package"
say "upgraded $older_version -> $version: one installed version; the older package refused"

# --- Uninstall by product code, as a deployment tool does ---------------------------------
product=$(installed | cut -d' ' -f1)
msiexec /x "$product" || fail "msiexec /x $product /qn ended with status $?"
expect_installed none "after the uninstall by product code"
expect_program_removed "after the uninstall by product code"
expect_data_kept "the uninstall by product code"

# --- A PC without drive D: ----------------------------------------------------------------
# A new Windows has drives C: and Z: only. The administrator names the data
# folder at the install (DATADIR, a Cyrillic path); the program's first start
# then asks to make that folder and makes it. Without DATADIR the first start
# offers to choose another folder: the operator picks C:\Choice and the data
# folder is made inside it and kept for the PC.
rm -f "$WINEPREFIX/dosdevices/d:"
"$wineserver_cmd" -k >/dev/null 2>&1
"$wineserver_cmd" -w >/dev/null 2>&1
machine_ini="$WINEPREFIX/drive_c/ProgramData/G_Varnest/G_Varnest.ini"
machine_setting() { iconv -f CP1251 -t UTF-8 "$machine_ini" 2>&1 | tr -d '\r'; }
msiexec /i "$msi" 'DATADIR=C:\Данные\ВЕЛМОР_Датчики' || fail "msiexec /i with DATADIR ended with status $?"
expect_installed "$version" "after the install with DATADIR"
if [ "$(machine_setting)" != 'data_folder=C:\Данные\ВЕЛМОР_Датчики' ]; then
    fail "DATADIR did not set the PC's data folder: $(machine_setting)"
else
    say "DATADIR set the PC's data folder: $(machine_setting)"
    window_session "$folder" "$target" "$version" "$work/datadir_window.png" "$WINEPREFIX/drive_c/Данные/ВЕЛМОР_Датчики"
fi
msiexec /x "$msi" || fail "msiexec /x after the DATADIR install ended with status $?"
[ -f "$machine_ini" ] || fail "the uninstall removed the PC's data folder setting"

rm -f "$machine_ini"
msiexec /i "$msi" || fail "msiexec /i without DATADIR ended with status $?"
[ ! -e "$machine_ini" ] || fail "an install without DATADIR wrote $(machine_setting)"
mkdir -p "$WINEPREFIX/drive_c/Choice"
(cd "$folder" && exec "$wine_cmd" "$target") >"$work/choice.log" 2>&1 &
chooser_run=$!
pids+=("$chooser_run")
if question=$(window_named "Предупреждение" 60); then
    # "... создать нельзя: нет диска D: / Выбрать другую папку для данных?": Yes.
    shot "$win/windows_no_drive_d_question.png"
    timeout 10 xdotool windowfocus "$question" sleep 0.3 key Return
    # The system's folder dialog (Wine's is titled "Select Folder"): the
    # folder typed into its name field, then Enter.
    if dialog=$(window_named "Папка, в которой будут данные|Select Folder" 30); then
        sleep 1
        shot "$win/choice-dialog.png"
        timeout 20 xdotool windowfocus "$dialog" sleep 0.5 key ctrl+a type --delay 50 'C:\Choice'
        timeout 10 xdotool windowfocus "$dialog" sleep 0.3 key Return
        # Then the usual first-start question, naming the folder chosen: Yes.
        if question=$(window_named "Предупреждение" 30); then
            timeout 10 xdotool windowfocus "$question" sleep 0.3 key Return
        fi
        if window_named "Очередная Градуировка Сенсора" 30 >/dev/null; then
            [ -f "$WINEPREFIX/drive_c/Choice/ВЕЛМОР_Датчики/Отчет/REPORT.log" ] ||
                fail "the folder chosen holds no report log: $(find "$WINEPREFIX/drive_c/Choice" | head -5)"
            [ "$(machine_setting)" = 'data_folder=C:\Choice\ВЕЛМОР_Датчики' ] ||
                fail "the folder chosen is not kept for the PC: $(machine_setting)"
            say "first start without D: chose C:\\Choice: $(machine_setting)"
        else
            shot "$win/choice-failed.png"
            fail "no main window after choosing C:\\Choice: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ';')"
        fi
    else
        fail "no folder dialog after answering Yes: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ';')"
    fi
else
    fail "no question at the first start without drive D:"
fi
kill "$chooser_run" 2>/dev/null
wait "$chooser_run" 2>/dev/null

if [ $failures -ne 0 ]; then
    echo "$failures installer check(s) failed"
    exit 1
fi
say "all installer checks passed"
