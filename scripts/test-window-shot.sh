#!/usr/bin/env bash
# Opens the installer window through `copyloom window` on a prefix of its own
# (made by wineboot, Wine's folder links kept), after the command line has
# installed into a few terminals there, and saves a screenshot of it. Needs a
# display (call inside xvfb-run).
# Usage: scripts/test-window-shot.sh BUILD_DIR OUT.png [COPYLOOM]
#   COPYLOOM: the Linux command line (default build/native-asan/src/cli/copyloom)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build dir}
out=$(realpath -m "${2:?output png}")
copyloom=$(realpath -m "${3:-build/native-asan/src/cli/copyloom}")
source scripts/wine-env.sh "$build"
dist="$wine_build_dir/dist/Copyloom Setup"
[ -f "$dist/Signal Provider/Setup Signal Provider.exe" ] ||
  { echo "window-shot: no distribution folder in $build" >&2; exit 1; }
[ -x "$copyloom" ] || { echo "window-shot: no command line at $copyloom" >&2; exit 1; }

# A home of its own: the prefix's Documents link points into it, so the
# settings the window and the command line share stay out of the user's.
export HOME="$wine_build_dir/shot-home"
export WINEPREFIX="$wine_build_dir/shot-prefix"
mkdir -p "$HOME/Documents" "$HOME/Desktop"
cleanup() {
  wine_stop
  rm -rf "${WINEPREFIX:?}/drive_c/MT4 Delta"
}
trap cleanup EXIT
wine_prefix_ready
docs="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/Documents"
[ -L "$docs" ] || { echo "window-shot: wineboot left no Documents link in $WINEPREFIX" >&2; exit 1; }

# A fresh list: three terminals, the Provider in two, the Receiver in the third.
rm -rf "$HOME/Documents/Velmora" "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Velmora
terminals=("MT4 Alpha" "MT4 Beta" "MT4 Gamma")
for t in "${terminals[@]}"; do
  rm -rf "${WINEPREFIX:?}/drive_c/$t"
  mkdir -p "$WINEPREFIX/drive_c/$t/config" "$WINEPREFIX/drive_c/$t/experts"
done
cli() { "$copyloom" --prefix "$WINEPREFIX" --yes "$@" >/dev/null; }
cli --kit "$dist/Signal Provider" install provider 'C:\MT4 Alpha' 'C:\MT4 Beta' --no-chart
cli --kit "$dist/Signal Receiver" install receiver 'C:\MT4 Gamma' --no-chart

wineserver -p </dev/null >/dev/null 2>&1 || true
"$copyloom" --prefix "$WINEPREFIX" --kit "$dist/Signal Provider" window </dev/null >/dev/null 2>&1 &
window_pid=$!
id=""
for _ in $(seq 1 90); do
  sleep 0.5
  id=$(xdotool search --name '^Copyloom' 2>/dev/null | head -1) && [ -n "$id" ] && break
done
[ -n "$id" ] || { echo "window-shot: the window did not appear" >&2; exit 1; }
sleep 1  # let it paint
/usr/bin/import -window "$id" "$out"
echo "window-shot: $out"

# Beside the open window, the command line adds a terminal without waiting for
# it; the window takes the row in, and its Escape (which saves as Exit does)
# keeps it.
fail() { echo "window-shot: $*" >&2; exit 1; }
mkdir -p "$WINEPREFIX/drive_c/MT4 Delta/config" "$WINEPREFIX/drive_c/MT4 Delta/experts"
said=$("$copyloom" --prefix "$WINEPREFIX" add 'C:\MT4 Delta' 2>&1) || fail "add beside the window: $said"
! grep -q waiting <<<"$said" || fail "the command line waited for the window: $said"
sleep 3  # the window looks at the list every 2 s
xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
xdotool key --window "$id" Escape
for _ in $(seq 1 40); do kill -0 "$window_pid" 2>/dev/null || break; sleep 0.5; done
status=0
if kill -0 "$window_pid" 2>/dev/null; then fail "the window did not close on Escape"; fi
wait "$window_pid" || status=$?
[ "$status" -eq 0 ] || fail "copyloom window ended with status $status"
listed=$("$copyloom" --prefix "$WINEPREFIX" list)
for t in "MT4 Alpha" "MT4 Beta" "MT4 Gamma" "MT4 Delta"; do
  grep -q "$t" <<<"$listed" || fail "the row $t is lost after the window closed: $listed"
done
echo "window-shot: the window and the command line kept every row"
