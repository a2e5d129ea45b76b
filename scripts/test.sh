#!/usr/bin/env bash
# Sets up and runs every test: native with ASan/UBSan, both editions, and the
# Windows build under Wine. Fails when any of it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

scripts/setup.sh

echo "== native-asan: build and test"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan
ctest --preset native-asan -j2

echo "== windows: cross build and test under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
source scripts/wine-env.sh build/windows
xvfb-run -a bash -c '
  set -e
  source scripts/wine-env.sh build/windows
  wine_prefix_ready
  wineserver -p
  wine wineboot >/dev/null 2>&1 || true
  status=0
  ctest --preset windows -j2 || status=$?
  wineserver -k || true
  exit $status
'

echo "== all tests passed in $(( $(date +%s) - start )) s"
