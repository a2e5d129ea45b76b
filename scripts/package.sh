#!/usr/bin/env bash
# Builds the Debian package of the Linux command line (/usr/bin/copyloom, its
# manual page and bash completion, and the window program that `copyloom
# window` runs, 64-bit and 32-bit) and prints its path, build/package/*.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2
# The window program, 64-bit and 32-bit for win32 prefixes: release builds of
# their own, since the developers' Windows builds trust the checkout's test key.
keys=(-DCOPYLOOM_RELEASE=ON "-DCOPYLOOM_TRUSTED_KEYS=${COPYLOOM_TRUSTED_KEYS:-}")
cmake --preset windows -B build/package-windows -DCOPYLOOM_BUILD_TESTS=OFF "${keys[@]}" >/dev/null
cmake --build build/package-windows -j2 --target copyloom-setup >&2
cmake --preset windows-i686 -B build/package-windows-i686 -DCOPYLOOM_BUILD_TESTS=OFF "${keys[@]}" >/dev/null
cmake --build build/package-windows-i686 -j2 --target copyloom-setup >&2
window=$PWD/build/package-windows/src/ui/copyloom-setup.exe
window_32=$PWD/build/package-windows-i686/src/ui/copyloom-setup.exe
# Authenticode, when a certificate is given (scripts/sign-exe.sh names the variables).
scripts/sign-exe.sh "$window" "$window_32"
# A build of its own: release, no tests, only what the package holds.
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCOPYLOOM_BUILD_TESTS=OFF "${keys[@]}" \
  -DCOPYLOOM_WINDOW_EXE="$window" -DCOPYLOOM_WINDOW_EXE_32="$window_32" >/dev/null
cmake --build build/package -j2 --target copyloom copyloom_manpage copyloom_changelog >&2
rm -f build/package/copyloom_*.deb
(cd build/package && cpack -G DEB >&2)
ls "$PWD"/build/package/copyloom_*.deb
