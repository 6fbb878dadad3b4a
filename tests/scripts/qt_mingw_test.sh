#!/usr/bin/env bash
# scripts/qt-mingw.sh without building Qt: which prebuilt archives it takes and
# which it refuses (--prebuilt-only stops where it would start building), and
# the source-package entries scripts/apt-source-lists.sh derives from an apt
# configuration of either form. HOME is a temporary folder, so the real cache
# is never touched.
# Usage: qt_mingw_test.sh SOURCE_DIR
set -uo pipefail
top=$(cd "${1:?usage: qt_mingw_test.sh SOURCE_DIR}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/gvc-qt-mingw-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME="$work/home"
unset XDG_CACHE_HOME GVC_QT_CACHE GVC_QT_PREBUILT_DIR
fail=0
check() { # DESCRIPTION CONDITION...
    local what=$1
    shift
    "$@" || {
        echo "FAIL: $what"
        fail=1
    }
}

prefix=$("$top/scripts/qt-mingw.sh" --prefix)
name=$(basename "$prefix")
case "$prefix" in "$HOME"/.cache/g-varnest/qt-*-mingw-static-*) ;; *)
    echo "FAIL: the cache is $prefix, not under HOME/.cache/g-varnest"
    exit 1
    ;;
esac

# make_archive DIR FOLDER [no-complete]: DIR/FOLDER.tar.xz holding a small tree
# shaped as an installed Qt.
make_archive() {
    local tree="$work/tree"
    rm -rf "$tree"
    mkdir -p "$tree/$2/lib/cmake/Qt6" "$1"
    echo "set(QT_FAKE ON)" >"$tree/$2/lib/cmake/Qt6/qt.toolchain.cmake"
    [ "${3:-}" = no-complete ] || echo "prebuilt for the test" >"$tree/$2/.complete"
    tar -cJf "$1/$2.tar.xz" -C "$tree" "$2"
}
good="$work/good"
make_archive "$good" "$name"
(cd "$good" && sha256sum "$name.tar.xz" >SHA256SUMS)
other="$work/other"
make_archive "$other" "qt-6.4.2-mingw-static-000000000000"
(cd "$other" && sha256sum ./*.tar.xz >SHA256SUMS)
bad_sum="$work/bad-sum"
mkdir -p "$bad_sum" && cp "$good/$name.tar.xz" "$bad_sum/"
echo "$(printf '0%.0s' $(seq 64))  $name.tar.xz" >"$bad_sum/SHA256SUMS"
no_sum="$work/no-sum"
mkdir -p "$no_sum" && cp "$good/$name.tar.xz" "$no_sum/"
no_complete="$work/no-complete"
make_archive "$no_complete" "$name" no-complete
(cd "$no_complete" && sha256sum "$name.tar.xz" >SHA256SUMS)

# Refused: each falls back to building (exit 3 under --prebuilt-only) and leaves
# no tree and no staging folder behind.
refused=(
    "unset|"
    "$work/missing|no prebuilt"
    "$other|another key"
    "$bad_sum|does not match its checksum"
    "$no_sum|no checksum"
    "$no_complete|no complete"
)
for case in "${refused[@]}"; do
    dir=${case%%|*} message=${case#*|}
    if [ "$dir" = unset ]; then
        "$top/scripts/qt-mingw.sh" --prebuilt-only >"$work/out" 2>"$work/err"
    else
        GVC_QT_PREBUILT_DIR=$dir "$top/scripts/qt-mingw.sh" --prebuilt-only >"$work/out" 2>"$work/err"
    fi
    status=$?
    check "$dir: exit $status, not 3 (would build)" [ $status -eq 3 ]
    [ -n "$message" ] && check "$dir: no '$message' in: $(cat "$work/err")" grep -q "$message" "$work/err"
    check "$dir: a Qt tree was installed" [ ! -e "$prefix" ]
    check "$dir: staging left behind" [ -z "$(ls -A "$HOME/.cache/g-varnest" 2>/dev/null)" ]
done

# Taken: a matching archive replaces an unfinished tree of the same name.
mkdir -p "$prefix/lib" && echo unfinished >"$prefix/lib/half"
GVC_QT_PREBUILT_DIR=$good "$top/scripts/qt-mingw.sh" --prebuilt-only >"$work/out" 2>"$work/err"
status=$?
check "good archive: exit $status: $(cat "$work/err")" [ $status -eq 0 ]
check "good archive: last line is not the prefix" [ "$(tail -n 1 "$work/out")" = "$prefix" ]
check "good archive: no .complete" [ -f "$prefix/.complete" ]
check "good archive: no toolchain file" [ -f "$prefix/lib/cmake/Qt6/qt.toolchain.cmake" ]
check "good archive: the unfinished tree's file stayed" [ ! -e "$prefix/lib/half" ]
check "good archive: staging left behind" [ "$(ls -A "$HOME/.cache/g-varnest")" = "$name" ]
# Complete now: used as it is, even with the folder gone.
"$top/scripts/qt-mingw.sh" --prebuilt-only >"$work/out" 2>"$work/err"
check "second run: $(cat "$work/err")" grep -q "cached: $prefix" "$work/err"

# --- Source-package entries from the machine's package sources ---------------------
etc="$work/etc-apt"
mkdir -p "$etc/sources.list.d"
cat >"$etc/sources.list" <<'LIST'
# a comment
deb http://mirror.example/debian bookworm main contrib
deb [arch=amd64 signed-by=/usr/share/keyrings/k.gpg] http://mirror.example/security bookworm-security main
deb-src http://mirror.example/debian bookworm main
deb http://vendor.example/apt stable main
LIST
cat >"$etc/sources.list.d/debian.sources" <<'LIST'
Types: deb
# a comment inside the entry
URIs: http://mirror.example/debian
Suites: bookworm bookworm-updates trixie
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb deb-src
URIs: http://other.example/debian
Suites: bookworm-backports
Components: main
Enabled: no

Types: deb
URIs: http://keyed.example/debian
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----
LIST
cat >"$etc/sources.list.d/vendor.sources" <<'LIST'
Types: deb
URIs: https://vendor.example/apt
Suites: nodistro
Components: main
LIST
echo "deb http://mirror.example/debian bookworm main" >"$etc/sources.list.d/old.list.disabled"
out="$work/parts"
"$top/scripts/apt-source-lists.sh" "$out" "$etc" bookworm 2>"$work/err"
check "apt-source-lists: exit $?: $(cat "$work/err")" [ -s "$out/sources.list" ]
check "apt-source-lists: files $(ls "$out" | tr '\n' ' ')" [ "$(ls "$out" | tr '\n' ' ')" = "debian.sources sources.list " ]
expected_list='deb-src http://mirror.example/debian bookworm main contrib
deb-src [arch=amd64 signed-by=/usr/share/keyrings/k.gpg] http://mirror.example/security bookworm-security main'
check "one-line form: $(cat "$out/sources.list")" [ "$(cat "$out/sources.list")" = "$expected_list" ]
expected_sources='Types: deb-src
Suites: bookworm bookworm-updates
URIs: http://mirror.example/debian
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
Suites: bookworm
URIs: http://keyed.example/debian
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBF
 -----END PGP PUBLIC KEY BLOCK-----'
check "deb822 form: $(cat "$out/debian.sources")" [ "$(cat "$out/debian.sources")" = "$expected_sources" ]
# Without a known codename every entry is kept.
"$top/scripts/apt-source-lists.sh" "$work/all" "$etc" "" 2>/dev/null
check "no codename: the vendor's entry is left out" grep -q "Suites: nodistro" "$work/all/vendor.sources"
# Nothing to derive from: a clear message, exit 1.
mkdir -p "$work/empty-etc"
"$top/scripts/apt-source-lists.sh" "$work/none" "$work/empty-etc" bookworm 2>"$work/err"
status=$?
check "no sources: exit $status, not 1" [ $status -eq 1 ]
check "no sources: message '$(cat "$work/err")'" grep -q "no package sources of bookworm" "$work/err"

exit $fail
