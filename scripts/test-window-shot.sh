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
cleanup() { wine_stop; }
trap cleanup EXIT
wine_prefix_ready
docs="$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/Documents"
[ -L "$docs" ] || { echo "window-shot: wineboot left no Documents link in $WINEPREFIX" >&2; exit 1; }

# A fresh list: three terminals, the Provider in two, the Receiver in the third.
rm -rf "$HOME/Documents/Velmora"
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
shot=""
for _ in $(seq 1 90); do
  sleep 0.5
  if id=$(xdotool search --name '^Copyloom' 2>/dev/null | head -1) && [ -n "$id" ]; then
    sleep 1  # let it paint
    /usr/bin/import -window "$id" "$out" && shot=yes
    break
  fi
done
wine_stop
wait "$window_pid" 2>/dev/null || true
if [ -z "$shot" ]; then
  echo "window-shot: the window did not appear" >&2
  exit 1
fi
echo "window-shot: $out"
