#!/usr/bin/env bash
# Builds the Debian package of the Linux command line (/usr/bin/copyloom, its
# manual page and bash completion, and the window program that `copyloom
# window` runs, 64-bit and 32-bit) and prints its path, build/package/*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
# The window program: the Windows build's, and the 32-bit one for win32 prefixes.
cmake --preset windows >/dev/null
cmake --build --preset windows --target copyloom-setup >&2
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 >&2
# Authenticode, when a certificate is given (scripts/sign-exe.sh names the variables).
scripts/sign-exe.sh build/windows/src/ui/copyloom-setup.exe build/windows-i686/src/ui/copyloom-setup.exe
# A build of its own: release, no tests, only what the package holds.
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOPYLOOM_BUILD_TESTS=OFF -DCOPYLOOM_RELEASE=ON \
  -DCOPYLOOM_WINDOW_EXE="$PWD/build/windows/src/ui/copyloom-setup.exe" \
  -DCOPYLOOM_WINDOW_EXE_32="$PWD/build/windows-i686/src/ui/copyloom-setup.exe" >/dev/null
cmake --build build/package -j2 --target copyloom copyloom_manpage copyloom_changelog >&2
rm -f build/package/copyloom_*.deb
(cd build/package && cpack -G DEB >&2)
ls "$PWD"/build/package/copyloom_*.deb
