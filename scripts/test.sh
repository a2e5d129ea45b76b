#!/usr/bin/env bash
# Sets up and runs every test: native with ASan/UBSan, both editions, and the
# Windows build under Wine. Fails when any of it fails.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)

scripts/setup.sh

# The release builds of the package repeat the test builds but for the keys
# they trust: a compiler cache in the checkout builds each object once.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_DIR="${CCACHE_DIR:-$PWD/build/.ccache}" CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi

echo "== native-asan: build and test"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan
ctest --preset native-asan -j2
scripts/test-causes.sh

echo "== windows-i686: the 32-bit window program (for win32 prefixes; the zip carries it)"
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686

echo "== windows: cross build and test under Wine"
cmake --preset windows >/dev/null
cmake --build --preset windows
# One display and one Wine server for the whole run; ctest's status comes back
# through xvfb-run, and the server is stopped however the run ends.
xvfb-run -a bash -c 'source scripts/wine-env.sh build/windows && trap wine_stop EXIT && wine_ctest'
scripts/test-held-files.sh
scripts/test-signing.sh
xvfb-run -a scripts/test-interop.sh
xvfb-run -a -s '-screen 0 1024x768x24' scripts/test-window-shot.sh build/windows build/windows/window.png

echo "== Debian package: build, install, check, remove"
scripts/test-package.sh

scripts/test-ansible.sh

scripts/test-bench.sh

scripts/test-fuzz.sh

echo "== all tests passed in $(( $(date +%s) - start )) s"
