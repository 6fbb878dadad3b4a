#!/usr/bin/env bash
# Builds the Debian package, installs it on this machine, runs gvc-cli from
# the installed files (version, and table-check on the installed table from
# the working directory the desktop entry uses), removes the package again,
# and has lintian check it (no errors allowed).
# Usage: scripts/package-test.sh [BUILD_DIR]   (default: build-package)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-package}
"$top/scripts/install-deps.sh" lintian dpkg-dev

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DGVC_BUILD_GUI=ON -DGVC_BUILD_TESTS=OFF \
    -DGVC_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/g-varnest_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/g-varnest_*.deb)
echo "package: $deb"
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Architecture\|Depends\):/  &/p'
if dpkg-deb -f "$deb" Description | grep -q '^ ;'; then
    echo "FAIL: the long description has lines starting with \";\""
    exit 1
fi

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if dpkg-query -W -f='${Status}' g-varnest 2>/dev/null | grep -q "install ok installed"; then
    echo "g-varnest is installed already; this test installs and removes it, so it stops here" >&2
    exit 1
fi
remove() { $sudo dpkg -r g-varnest >/dev/null 2>&1 || true; }
trap remove EXIT
$sudo dpkg -i "$deb"

# From the installed files only.
share=/usr/share/g-varnest
for file in /usr/bin/G_Varnest /usr/bin/gvc-cli /usr/bin/gvc-devsim "$share/DAT/TABL_GAZ_SENSOR_PARAM.dat" \
    "$share/Help/operator_guide.html" /usr/share/applications/g-varnest.desktop \
    /usr/share/icons/hicolor/scalable/apps/g-varnest.svg /usr/share/man/man1/gvc-cli.1.gz \
    /usr/share/man/man1/gvc-devsim.1.gz; do
    [ -f "$file" ] || { echo "not installed: $file" >&2; exit 1; }
done
grep -qx "Path=$share" /usr/share/applications/g-varnest.desktop
/usr/bin/gvc-cli version
(cd "$share" && /usr/bin/gvc-cli table-check DAT/TABL_GAZ_SENSOR_PARAM.dat >/dev/null)
echo "installed gvc-cli: version and table-check pass"

remove
trap - EXIT
if dpkg-query -W -f='${Status}' g-varnest 2>/dev/null | grep -q "install ok installed"; then
    echo "g-varnest is still installed" >&2
    exit 1
fi
[ ! -e /usr/bin/gvc-cli ] || { echo "/usr/bin/gvc-cli left behind" >&2; exit 1; }

lintian --fail-on error --tag-display-limit 0 "$deb"
echo "package test passed"
