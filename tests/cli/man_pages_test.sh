#!/usr/bin/env bash
# The manual pages agree with --help: every command or option that --help
# lists has an entry in the page, and every entry of the page is in --help.
# Usage: man_pages_test.sh PROGRAM MANPAGE
set -euo pipefail
program=$1
page=$2
fail=0
# Words --help lists: the first word of each indented line that names a
# command or an option (gvc-devsim's input commands are the page's COMMANDS).
help_words=$("$program" --help | sed -n "s/^  \\([a-z][a-z0-9-]*\\|--[a-z0-9-]*\\).*/\\1/p" | sort -u)
# Words the page has entries for: the first word after each .TP.
page_words=$(awk 'prev == ".TP" { gsub(/\\-/, "-"); gsub(/"/, ""); print $2 } { prev = $0 }' "$page" |
    sed 's/|.*//' | sort -u)
for word in $help_words; do
    grep -qxF -- "$word" <<<"$page_words" || { echo "$page: no entry for '$word' of --help"; fail=1; }
done
for word in $page_words; do
    case "$word" in GVC_* | *.dat | *.log) continue ;; esac
    grep -qxF -- "$word" <<<"$help_words" || { echo "$page: '$word' is not in --help"; fail=1; }
done
"$program" --help >/dev/null || { echo "$program --help fails"; fail=1; }
exit $fail
