#!/usr/bin/env bash
# Builds the Windows Installer package G_Varnest-<version>-x64.msi with wixl
# (Debian's wixl and msitools) from a folder laid out as installed:
#
#   packaging/windows/make-msi.sh STAGE VERSION OUTPUT.msi
#
# STAGE holds G_Varnest.exe, gvc-cli.exe, DAT\TABL_GAZ_SENSOR_PARAM.dat and
# Help\ (the operator's guide, listed into the package by wixl-heat). VERSION
# is the program's version, three or four numbers; Windows Installer compares
# only the first three (at most 255.255.65535), so the product code is derived
# from those: a package of the same three numbers is the same product, which
# Windows Installer never installs twice, and another version is another
# product that the fixed upgrade code lets replace the installed one. The
# package replaces OUTPUT only when it is whole.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -eq 3 ] || {
    echo "usage: make-msi.sh STAGE VERSION OUTPUT.msi" >&2
    exit 2
}
stage=$(cd "$1" && pwd)
version=$2
out=$3
for tool in wixl wixl-heat; do
    command -v "$tool" >/dev/null || {
        echo "make-msi.sh: $tool not found: install the Debian packages wixl and msitools" >&2
        exit 1
    }
done
if ! [[ $version =~ ^([0-9]+)\.([0-9]+)\.([0-9]+)(\.[0-9]+)?$ ]] ||
    [ "${BASH_REMATCH[1]}" -gt 255 ] || [ "${BASH_REMATCH[2]}" -gt 255 ] || [ "${BASH_REMATCH[3]}" -gt 65535 ]; then
    echo "make-msi.sh: '$version' is not a Windows Installer version (at most 255.255.65535[.N])" >&2
    exit 1
fi
three="${BASH_REMATCH[1]}.${BASH_REMATCH[2]}.${BASH_REMATCH[3]}"
for f in G_Varnest.exe gvc-cli.exe DAT/TABL_GAZ_SENSOR_PARAM.dat Help/operator_guide.html; do
    [ -f "$stage/$f" ] || {
        echo "make-msi.sh: $stage has no $f" >&2
        exit 1
    }
done

# A name-based (SHA-1) UUID of the upgrade code and the three numbers.
upgrade_code=$(sed -n 's/.*UpgradeCode="\([0-9A-F-]*\)".*/\1/p' "$here/G_Varnest.wxs")
[ -n "$upgrade_code" ] || {
    echo "make-msi.sh: no UpgradeCode in G_Varnest.wxs" >&2
    exit 1
}
h=$(printf '%s %s' "$upgrade_code" "$three" | sha1sum | cut -c1-40)
variant=$(printf '%x' $(((16#${h:16:1} & 3) | 8)))
product_code=$(printf '%s-%s-5%s-%s%s-%s' "${h:0:8}" "${h:8:4}" "${h:13:3}" "$variant" "${h:17:3}" "${h:20:12}" |
    tr a-f A-F)

work=$(mktemp -d "${TMPDIR:-/tmp}/gvc-msi.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The guide's files, one component each, below HELPFOLDER.
(cd "$stage" && find Help -type f | LC_ALL=C sort) |
    wixl-heat --prefix Help/ --directory-ref HELPFOLDER --component-group HelpFiles --var var.HelpSource --win64 \
        >"$work/help.wxs"
# wixl takes only paths relative to its working folder.
ln -s "$stage" "$work/files"
cp "$here/../../src/gui/icons/g_varnest.ico" "$work/G_Varnest.ico"
# wixl notes "unimplemented" for a shortcut that is not advertised, and writes
# it as given all the same; only other messages are shown.
if ! (cd "$work" && wixl --arch x64 -D "Version=$version" -D "ProductCode=$product_code" -D Win64=yes -D Stage=files \
    -D HelpSource=files/Help -D Icon=G_Varnest.ico -o package.msi "$here/G_Varnest.wxs" help.wxs) 2>"$work/wixl.log"; then
    cat "$work/wixl.log" >&2
    echo "make-msi.sh: wixl failed" >&2
    exit 1
fi
grep -v 'unimplemented$' "$work/wixl.log" >&2 || true
mkdir -p "$(dirname "$out")"
mv -f "$work/package.msi" "$out.part"
mv -f "$out.part" "$out"
echo "$out: version $version, product code {$product_code}"
