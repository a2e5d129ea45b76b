#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Idempotent: does
# nothing when every package is already there.
set -euo pipefail

packages=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 xvfb xauth fonts-wine
          nlohmann-json3-dev libcli11-dev imagemagick xdotool dpkg-dev
          clang libclang-rt-14-dev  # the fuzz targets
          libgcrypt20-dev libgcrypt-mingw-w64-dev minisign  # signed kits
          osslsigncode  # signed programs
          ccache  # one run builds the same sources for several builds
          rsync openssl  # the benchmarks' anchor tools
          lintian  # the package check
          ansible-core openssh-server)  # the Ansible collection's checks (sshd for its hosts)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
