#!/usr/bin/env bash
# Builds the Debian package of the Linux command line (/usr/bin/copyloom, its
# manual page and bash completion) and prints its path, build/package/*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
# A build of its own: release, no tests, only what the package holds.
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOPYLOOM_BUILD_TESTS=OFF >/dev/null
cmake --build build/package -j2 --target copyloom copyloom_manpage >&2
rm -f build/package/copyloom_*.deb
(cd build/package && cpack -G DEB >&2)
ls "$PWD"/build/package/copyloom_*.deb
