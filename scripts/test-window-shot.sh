#!/usr/bin/env bash
# Runs the installer window under Wine after an install into a few terminals
# and saves a screenshot of it. Needs a display (call inside xvfb-run).
# Usage: scripts/test-window-shot.sh BUILD_DIR OUT.png
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build dir}
out=$(realpath -m "${2:?output png}")
source scripts/wine-env.sh "$build"
terminals=("MT4 Alpha" "MT4 Beta" "MT4 Gamma")
# The prefix is the tests' too: leave no terminal for their searches to find.
cleanup() {
  wine_stop
  for t in "${terminals[@]}"; do rm -rf "${WINEPREFIX:?}/drive_c/$t"; done
  rm -f "$WINEPREFIX"/drive_c/users/*/Documents/Velmora/cplm/clinst.cfg
}
trap cleanup EXIT
wine_prefix_ready
# Wine links the user's Documents to $HOME; the settings and support files
# that this run writes there belong in the prefix, not in the user's home.
for docs in "$WINEPREFIX"/drive_c/users/*/Documents; do
  if [ -L "$docs" ]; then rm "$docs" && mkdir -p "$docs"; fi
done

dist="$wine_build_dir/dist/Copyloom Setup"
[ -x "$dist/copyloom.exe" ] || { echo "window-shot: no distribution folder in $build" >&2; exit 1; }
# A fresh list: three terminals in the prefix, the Provider in two of them,
# the Receiver in the third (the command line and the window share clinst.cfg).
cleanup
wineserver -p </dev/null >/dev/null 2>&1 || true
wine wineboot </dev/null >/dev/null 2>&1 || true
for t in "${terminals[@]}"; do
  mkdir -p "$WINEPREFIX/drive_c/$t/config" "$WINEPREFIX/drive_c/$t/experts"
done
cli() { (cd "$dist" && wine copyloom.exe --yes "$@" </dev/null >/dev/null 2>&1) || true; }
cli install provider 'C:\MT4 Alpha' 'C:\MT4 Beta' --no-chart
cli install receiver 'C:\MT4 Gamma' --no-chart

(cd "$dist/Signal Provider" && wine "Setup Signal Provider.exe" </dev/null >/dev/null 2>&1) &
window_pid=$!
shot=""
for _ in $(seq 1 60); do
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
