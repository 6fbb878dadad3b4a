#!/usr/bin/env bash
# Writes source-package (deb-src) entries for the machine's own package sources
# into a private folder, so that a private apt configuration fetches source
# packages from whatever mirror the machine uses, without a host named in any
# script and without a change to the machine's apt configuration.
#
#   scripts/apt-source-lists.sh OUT_DIR [APT_ETC_DIR [CODENAME]]
#
# APT_ETC_DIR is /etc/apt unless given; CODENAME is the release's codename from
# /etc/os-release unless given. Reads sources.list and sources.list.d/*.list
# (one-line form) and sources.list.d/*.sources (deb822 form); other names in
# sources.list.d are ignored, as apt ignores them. Each "deb" entry becomes a
# "deb-src" entry with the same address, suites, components and options, in a
# file of the same name in OUT_DIR. When the codename is known, only the suites
# of this release (CODENAME, CODENAME-updates, CODENAME-security, ...) are kept:
# other sources (a vendor's repository) rarely publish source packages, and one
# missing index would fail the whole update. Disabled deb822 entries are left
# out. Use the result with
#   -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=OUT_DIR
# Exits 1, saying so, when no entry results.
set -euo pipefail
out=${1:?usage: apt-source-lists.sh OUT_DIR [APT_ETC_DIR [CODENAME]]}
etc=${2:-/etc/apt}
codename=${3-}
if [ $# -lt 3 ] && [ -r /etc/os-release ]; then
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
fi
mkdir -p "$out"

# One-line form: "deb [options] URI SUITE COMPONENT..." becomes "deb-src ...".
one_line() {
    awk -v codename="$codename" '
        function wanted(suite) { return codename == "" || suite == codename || index(suite, codename "-") == 1 }
        /^[ \t]*deb[ \t]/ {
            line = $0
            sub(/^[ \t]*deb[ \t]+/, "", line)
            options = ""
            if (substr(line, 1, 1) == "[") {
                end = index(line, "]")
                if (end == 0) next
                options = substr(line, 1, end) " "
                line = substr(line, end + 1)
                sub(/^[ \t]+/, "", line)
            }
            split(line, word, /[ \t]+/)
            if (!wanted(word[2])) next
            print "deb-src " options line
        }' "$1"
}

# deb822 form: stanzas separated by blank lines; continuation lines (an
# embedded key) begin with a blank and stay with their field.
deb822() {
    awk -v codename="$codename" '
        function wanted(suite) { return codename == "" || suite == codename || index(suite, codename "-") == 1 }
        BEGIN { RS = ""; FS = "\n" }
        {
            types = ""; suites = ""; enabled = "yes"; body = ""
            for (i = 1; i <= NF; i++) {
                line = $i
                if (line ~ /^#/) continue
                if (tolower(line) ~ /^types:/) { types = " " substr(line, 7) " "; continue }
                if (tolower(line) ~ /^enabled:/) { enabled = tolower(substr(line, 9)); gsub(/[ \t]/, "", enabled); continue }
                if (tolower(line) ~ /^suites:/) {
                    n = split(substr(line, 8), list, /[ \t]+/)
                    suites = ""
                    for (j = 1; j <= n; j++) if (list[j] != "" && wanted(list[j])) suites = suites " " list[j]
                    continue
                }
                body = body line "\n"
            }
            gsub(/\t/, " ", types)
            if (enabled == "no" || suites == "" || (types !~ / deb / && types !~ / deb-src /)) next
            printf "%sTypes: deb-src\nSuites:%s\n%s", (printed++ ? "\n" : ""), suites, body
        }' "$1"
}

entries=0
write() { # SOURCE_FILE CONVERTER
    local name text
    name=$(basename "$1")
    text=$("$2" "$1")
    [ -n "$text" ] || return 0
    printf '%s\n' "$text" >"$out/$name"
    entries=$((entries + 1))
}
[ -f "$etc/sources.list" ] && write "$etc/sources.list" one_line
for f in "$etc"/sources.list.d/*.list; do [ -f "$f" ] && write "$f" one_line; done
for f in "$etc"/sources.list.d/*.sources; do [ -f "$f" ] && write "$f" deb822; done
if [ $entries -eq 0 ]; then
    echo "no package sources${codename:+ of $codename} in $etc/sources.list or $etc/sources.list.d to fetch source packages from" >&2
    exit 1
fi
