#!/usr/bin/env bash
# The Linux build against files that a real Wine program holds: runs the
# native tests that need the Windows build's holder program, in the Windows
# build's Wine prefix. Needs both builds (native-asan and windows).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh build/windows
trap wine_stop EXIT
wine_prefix_ready
# Wine's server and services up front, so that they hold no pipe of ctest's.
wineserver -p </dev/null >/dev/null 2>&1 || true
wine wineboot </dev/null >/dev/null 2>&1 || true
export COPYLOOM_HOLD_FILE_EXE="$PWD/build/windows/tests/hold_file.exe"
ctest --preset native-asan --output-on-failure -R '^HeldFilesTest$'
