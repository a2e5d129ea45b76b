#!/usr/bin/env bash
# The Debian package round trip: build it, install it, check that it holds
# the manual page and the completion and that the installed program runs,
# then remove it again.
set -euo pipefail
cd "$(dirname "$0")/.."
fail() { echo "test-package: $*" >&2; exit 1; }

deb=$(scripts/package.sh | tail -n 1)
# Debian's own checks: no errors.
lintian --fail-on error "$deb" >&2 || fail "lintian finds errors in $deb"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
SUDO="${sudo_cmd[*]}"
source scripts/test-machine.sh
test_machine_reclaim test-package || exit 1
test_machine_mark_installed
"${sudo_cmd[@]}" dpkg -i "$deb" >/dev/null
trap 'test_machine_remove_package || true' EXIT

version=$(/usr/bin/copyloom --version) || fail "the installed copyloom --version fails"
[[ $version == "copyloom "[0-9]* ]] || fail "unexpected version text: $version"
# The package is a release: it never trusts a build's test key.
[[ $version != *"test key"* ]] || fail "the package trusts the build's test key: $version"
files=$(dpkg -L copyloom)
man=/usr/share/man/man1/copyloom.1.gz
completion=/usr/share/bash-completion/completions/copyloom
grep -qx "$man" <<<"$files" || fail "no manual page in the package"
grep -qx "$completion" <<<"$files" || fail "no bash completion in the package"

# Every command of --help has its entry in the manual page.
page=$(gzip -dc "$man")
for command in $(/usr/bin/copyloom --help | awk '/^commands:/{f=1;next} /^$/{f=0} f && /^  [a-z]/{print $1}'); do
  grep -q "^\.B $command\b" <<<"$page" || fail "the manual page lacks the command $command"
done
# The completion completes a command.
words=$(bash -c "source $completion; COMP_WORDS=(copyloom ins); COMP_CWORD=1; _copyloom; echo \${COMPREPLY[*]}")
[ "$words" = install ] || fail "completion of 'ins' gave '$words'"

# `copyloom window` runs the packaged window program under Wine (a stand-in
# wine that says how it was started), 32-bit in a win32 prefix.
for f in /usr/lib/copyloom/copyloom-setup.exe /usr/lib/copyloom/copyloom-setup-32.exe; do
  grep -qx "$f" <<<"$files" || fail "no $f in the package"
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"; test_machine_remove_package || true' EXIT
mkdir -p "$scratch/bin" "$scratch/lib/wine" "$scratch/p64/drive_c" "$scratch/p32/drive_c"
printf '#arch=win64\n' >"$scratch/p64/system.reg"
printf '#arch=win32\n' >"$scratch/p32/system.reg"
printf '#!/bin/sh\necho "$WINEARCH $*"\nexit 3\n' >"$scratch/bin/wine"
chmod +x "$scratch/bin/wine"
touch "$scratch/lib/wine/wine" "$scratch/lib/wine/wine64"
status=0
said=$(PATH="$scratch/bin:$PATH" /usr/bin/copyloom --prefix "$scratch/p64" window receiver) || status=$?
[ "$status" -eq 3 ] || fail "copyloom window gave status $status, not the window's 3"
[ "$said" = "win64 /usr/lib/copyloom/copyloom-setup.exe --side receiver" ] || fail "window: $said"
said=$(PATH="$scratch/bin:$PATH" /usr/bin/copyloom --prefix "$scratch/p32" window) || true
[ "$said" = "win32 /usr/lib/copyloom/copyloom-setup-32.exe" ] || fail "window (win32): $said"

test_machine_remove_package || fail "the package could not be removed"
rm -rf "$scratch"
trap - EXIT
[ ! -e /usr/bin/copyloom ] || fail "/usr/bin/copyloom is still there after removal"
echo "== package: $(basename "$deb") built, installed ($version), checked and removed"
