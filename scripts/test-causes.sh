#!/usr/bin/env bash
# Each cause of a failed write brought about for real, on the Linux build:
# a full file system (a 3 MiB tmpfs), a user without rights (nobody), a
# read-only mount. For each, install, its dry run, uninstall, the chart, the
# support files and the settings save must name the kind, the trader's file
# (as a host path) and the cause's text, and the dry run must exit as the
# real run does. Needs root and mount.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$PWD/build/${COPYLOOM_PRESET:-native-asan}/src/cli/copyloom"
export ASAN_OPTIONS=detect_leaks=0

if [ "$(id -u)" != 0 ]; then echo "test-causes: skipped: needs root (mounts, another user)"; exit 0; fi
root=$(mktemp -d /tmp/causes.XXXXXX)
chmod 755 "$root"
mkdir -p "$root/full" "$root/ro"
cleanup() {
  for m in "$root/perm/MT4 ro/profiles" "$root/perm/MT4 small/profiles" "$root/ro" "$root/full"; do
    umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true
  done
  rm -rf "$root"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=3m tmpfs "$root/full" 2>/dev/null; then
  echo "test-causes: skipped: cannot mount a tmpfs here"
  exit 0
fi

fails=0
# KIND is a row's error kind, or run:KIND for the run's own files (the
# support files, the saved list); the path must be a host path.
check() {  # NAME JSON EXIT WANT-EXIT KIND PATH-SUFFIX TEXT
  local name=$1 json=$2 got=$3 want=$4 kind=$5 path=$6 text=$7
  local ok=1
  [ "$got" = "$want" ] || ok=0
  if [ -n "$kind" ]; then
    jq -e --arg k "${kind#run:}" --arg run "${kind%%:*}" --arg p "$path" --arg t "$text" '
      (if $run == "run" then [.error // empty] else [.rows[] | select(.error) | .error] end) as $e
      | ($e | length) >= 1 and $e[0].kind == $k and ($e[0].path | endswith($p))
        and ($e[0].path | startswith("/")) and ($e[0].path | contains("\\") | not)
        and ([.rows[].state, .messages[]] | map(contains($t)) | any)
        and ([.messages[]] | map(contains("#") | not) | all)' <<<"$json" >/dev/null || ok=0
  fi
  if [ $ok = 1 ]; then echo "ok   $name"; else
    echo "FAIL $name (exit $got, want $want $kind $path \"$text\")"; echo "$json"; fails=$((fails + 1)); fi
}

kit="$root/kit"
mkdir -p "$kit/Signal Provider/experts/libraries" "$kit/Signal Provider/templates"
printf '\x01\x02 compiled CopyloomSignedEA body \x03' > "$kit/Signal Provider/experts/_Velmora Signal Provider.ex4"
printf 'MZ library' > "$kit/Signal Provider/experts/libraries/vlcpy.dll"
printf '<chart>' > "$kit/Signal Provider/templates/Copyloom Provider.tpl"
printf 'settings' > "$kit/vlcpy.sin"
: > "$kit/vlcpy2026.tag"
chmod -R a+rX "$kit"

terminal() {  # FOLDER: a terminal with a profile, so that a chart is made
  mkdir -p "$1/config" "$1/experts" "$1/profiles/default"
  printf 'MZ terminal' > "$1/terminal.exe"
  printf 'default' > "$1/profiles/lastprofile.ini"
  printf 'EURUSD,H1\r\n' > "$1/profiles/default/order.wnd"
}
home() { mkdir -p "$1/Documents" "$1/data" "$1/tmp"; }
run() {  # HOME AS-USER ARGS...: the exit status, then the JSON
  local h=$1 user=$2; shift 2
  local prefix=()
  [ "$user" = root ] || prefix=(setpriv --reuid="$user" --regid=nogroup --clear-groups)
  set +e
  out=$(env -i PATH="$PATH" HOME="$h" USER=trader WINEPREFIX= TMPDIR="$h/tmp" ASAN_OPTIONS="$ASAN_OPTIONS" \
        "${prefix[@]}" "$cli" --kit "$kit" --data-dir "$h/data" --json "$@" 2>/dev/null)
  code=$?
  set -e
}

# --- no space: a terminal on the 3 MiB file system, a kit file bigger than it.
t="$root/full/MT4"; h="$root/full/home"
terminal "$t"; home "$h"
head -c 4M /dev/zero > "$kit/Signal Provider/templates/big3.tpl"
run "$h" root install provider "$t" --dry-run
check "no space: dry run" "$out" "$code" 1 no-space "templates" "Not enough disk space for"
run "$h" root install provider "$t"
check "no space: install" "$out" "$code" 1 no-space "big3.tpl" "Not enough disk space for"
rm "$kit/Signal Provider/templates/big3.tpl"
run "$h" root install provider "$t" --chart
check "no space: install fits" "$out" "$code" 0 "" "" ""
t3="$root/full/MT4 listed"; terminal "$t3"
h4="$root/full/home4"; home "$h4"
filler="$root/full/filler"
head -c 3M /dev/zero > "$filler" 2>/dev/null || true
run "$h" root uninstall "$t"
check "no space: uninstall" "$out" "$code" 1 no-space "MT4" "Not enough disk space for"
run "$h" root add "$t3"
check "no space: settings" "$out" "$code" 1 run:no-space "data/clinst.cfg" "Not enough disk space for"
run "$h4" root list
check "no space: support files" "$out" "$code" 1 run:no-space "vlcpy.sin" "Not enough disk space for"
rm -f "$filler"
# The chart: the profiles on a file system of their own, full.
t="$root/perm/MT4 small"; mkdir -p "$root/perm"; terminal "$t"
mount -t tmpfs -o size=8k tmpfs "$t/profiles"
mkdir -p "$t/profiles/default"; printf 'default' > "$t/profiles/lastprofile.ini"
printf 'EURUSD,H1\r\n' > "$t/profiles/default/order.wnd"
head -c 1M /dev/zero > "$t/profiles/filler" 2>/dev/null || true
run "$root/full/home" root install provider "$t" --chart
check "no space: chart" "$out" "$code" 1 no-space "chart00.chr" "Not enough disk space for"

# --- no permission: terminals of root's, run by nobody.
t="$root/perm/MT4"; h="$root/perm/home"
terminal "$t"; home "$h"; chown -R nobody "$h"; chmod 755 "$root/perm"
run "$h" nobody install provider "$t" --dry-run
check "no permission: dry run" "$out" "$code" 1 no-permission "MT4" "No permission to write"
run "$h" nobody install provider "$t"
check "no permission: install" "$out" "$code" 1 no-permission "MT4" "No permission to write"
run "$h" root install provider "$t" --no-chart
run "$h" nobody uninstall "$t"
check "no permission: uninstall" "$out" "$code" 1 no-permission "MT4" "No permission to write"
# The chart: the terminal is nobody's, its profile folder is not.
t2="$root/perm/MT4 chart"; terminal "$t2"; chown -R nobody "$t2"; chown root "$t2/profiles/default"
run "$h" nobody install provider "$t2" --chart
check "no permission: chart" "$out" "$code" 1 no-permission "chart00.chr" "No permission to write"
# The support files: an older configuration, read-only, that a new tag replaces.
h2="$root/perm/home2"; home "$h2"; chown -R nobody "$h2"
printf 'old' > "$h2/data/vlcpy.sin"; : > "$h2/data/vlcpy1.tag"; chmod 444 "$h2/data/vlcpy.sin"
run "$h2" nobody install provider "$t2" --no-chart
check "no permission: support files" "$out" "$code" 1 run:no-permission "vlcpy.sin" "No permission to write"
# The saved list: root's, read-only, in nobody's data folder.
h3="$root/perm/home3"; home "$h3"
run "$h3" root add "$t2"
chown -R nobody "$h3"; chown root "$h3/data/clinst.cfg"; chmod 444 "$h3/data/clinst.cfg"
run "$h3" nobody add "$t"
check "no permission: settings" "$out" "$code" 1 run:no-permission "clinst.cfg" "No permission to write"

# --- read-only: the terminal's file system mounted read-only.
mount -t tmpfs -o size=2m tmpfs "$root/ro"
t="$root/ro/MT4"; h="$root/home-ro"
terminal "$t"; home "$h"; home "$root/ro/home"
run "$h" root install provider "$t" --no-chart
mkdir -p "$t/fresh"; terminal "$t/fresh"
mount -o remount,ro "$root/ro"
run "$h" root install provider "$t/fresh" --dry-run
check "read-only: dry run" "$out" "$code" 1 read-only "fresh" "is read-only"
run "$h" root install provider "$t/fresh"
check "read-only: install" "$out" "$code" 1 read-only "fresh" "is read-only"
run "$h" root uninstall "$t"
check "read-only: uninstall" "$out" "$code" 1 read-only "MT4" "is read-only"
# The data folder on the read-only mount: the run cannot take the list's
# lock there, and says why before anything is written. The support files
# live in that folder too: the same refusal comes first for them.
run "$root/ro/home" root list
check "read-only: settings" "$out" "$code" 1 run:read-only "clinst.cfg" "is read-only"
echo "skip read-only: support files: their folder is the settings folder, refused above"
# The chart: the terminal writable, its profiles mounted read-only.
t="$root/perm/MT4 ro"; terminal "$t"
mount --bind "$t/profiles" "$t/profiles" && mount -o remount,bind,ro "$t/profiles"
run "$h" root install provider "$t" --chart
check "read-only: chart" "$out" "$code" 1 read-only "chart00.chr" "is read-only"

[ $fails = 0 ] || { echo "test-causes: $fails failed"; exit 1; }
echo "test-causes: every cause named"
