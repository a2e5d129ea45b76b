#!/bin/sh
# Makes copyloom.1.gz from the template and the program's own --help tables.
# Usage: make-manpage.sh PROGRAM VERSION OUTPUT
set -eu
dist=$(dirname "$0")
help=$("$1" --help)
table() { printf '%s\n' "$help" | awk -v section="$1" -f "$dist/help-to-man.awk"; }
commands=$(table commands)
options=$(table options)
[ -n "$commands" ] && [ -n "$options" ] || { echo "make-manpage: no tables in --help" >&2; exit 1; }
awk -v commands="$commands" -v options="$options" -v version="$2" '
  { gsub(/@VERSION@/, version) }
  /^@COMMANDS@$/ { print commands; next }
  /^@OPTIONS@$/ { print options; next }
  { print }' "$dist/copyloom.1.in" | gzip -9n > "$3"
