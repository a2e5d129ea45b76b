#!/usr/bin/env bash
# The Linux and the Windows command line on one Wine prefix as wineboot
# leaves it (Documents linked to $HOME): both keep the prefix's own list in its
# AppData, each reads the list the other saved, also when a folder name needs
# a Unicode settings file, a Windows run waits while the Linux build
# holds the prefix's lock, and Ctrl+C (SIGINT, which Wine hands to the console
# handler) stops a Windows install after the terminal in progress.
# Usage: scripts/test-interop.sh [NATIVE_BUILD] [WINDOWS_BUILD]; call inside
# xvfb-run after both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build/native-asan}
windows=${2:-build/windows}
source scripts/wine-env.sh "$windows"
trap wine_stop EXIT
wine_prefix_ready
linux_cli="$native/src/cli/copyloom"
windows_cli="$windows/src/cli/copyloom.exe"
kit="$native/kit"

work="$WINEPREFIX/drive_c/copyloom-interop"
rm -rf "$work"
for t in "Терминал МТ4" "交易终端" "Plain"; do mkdir -p "$work/$t/config" "$work/$t/experts"; done
settings="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Velmora/cplm"
rm -f "$settings/clinst.cfg"
export COPYLOOM_ANSI_CODEPAGE=1252 LC_ALL=C.UTF-8
linux() { "$linux_cli" --kit "$kit" "$@"; }
win() { wine "$windows_cli" --kit "Z:$(realpath "$kit")" "$@" </dev/null 2>&1 | tr -d '\r'; }
fail() { echo "interop: $*" >&2; exit 1; }

# Wine's services start now, holding no pipe of ours.
wineserver -p </dev/null >/dev/null 2>&1 || true
wine wineboot </dev/null >/dev/null 2>&1 || true
linux add 'C:\copyloom-interop\Plain' 'C:\copyloom-interop\Терминал МТ4' >/dev/null
head -c 2 "$settings/clinst.cfg" | od -An -tx1 | grep -q 'ff fe' || fail "the Linux build wrote no Unicode list"
win list | grep -q 'Терминал МТ4' || fail "the Windows build lost the row the Linux build saved"
win add 'C:\copyloom-interop\交易终端' >/dev/null
listed=$(linux list)
for t in Plain "Терминал МТ4" "交易终端"; do
  grep -q "$t" <<<"$listed" || fail "the Linux build lost the row $t the Windows build saved"
done
echo "interop: both builds keep every row of one Unicode list"

# The Linux build's lock (flock plus a record lock on the first byte), held
# by a stand-in, keeps a Windows run waiting.
python3 - "$settings/copyloom.lock" "$windows_cli" "Z:$(realpath "$kit")" <<'PY'
import fcntl, os, subprocess, sys
lock, cli, kit = sys.argv[1:]
fd = os.open(lock, os.O_RDWR | os.O_CREAT)
fcntl.flock(fd, fcntl.LOCK_EX)
fcntl.lockf(fd, fcntl.LOCK_EX, 1, 0)
env = dict(os.environ, COPYLOOM_LOCK_WAIT="1")
run = subprocess.run(["wine", cli, "--kit", kit, "list"], env=env,
                     stdin=subprocess.DEVNULL, capture_output=True, text=True)
if run.returncode != 1 or "waiting for another copyloom run" not in run.stderr:
    sys.exit("interop: a Windows run did not wait for the Linux build's lock: %d %s" % (run.returncode, run.stderr))
print("interop: a Windows run waits while the Linux build holds the prefix's lock")
PY

# Ctrl+C mid-install: the Windows build finishes the terminal in progress,
# saves the list with each row's real state and exits 130.
stop="$work/stop"
mkdir -p "$stop/kit/Signal Provider/experts/libraries" "$stop/data"
{ printf '\x01\x02 compiled CopyloomSignedEA new '; head -c 400000 /dev/zero | tr '\0' n; } \
  >"$stop/kit/Signal Provider/experts/_Velmora Signal Provider.ex4"
{ printf 'MZ library '; head -c 600000 /dev/zero | tr '\0' l; } >"$stop/kit/Signal Provider/experts/libraries/vlcpy.dll"
printf 'settings' >"$stop/kit/vlcpy.sin"
: >"$stop/kit/vlcpy2026.tag"
rows=
for i in $(seq -w 0 99); do
  mkdir -p "$stop/T0$i/config" "$stop/T0$i/experts"
  rows+="00C:\\copyloom-interop\\stop\\T0$i*|"
done
printf '[MAIN]\r\nPATH=%s\r\n' "$rows" >"$stop/data/clinst.cfg"
wine "$windows_cli" --kit 'C:\copyloom-interop\stop\kit' --data-dir 'C:\copyloom-interop\stop\data' \
  install provider --all --no-chart </dev/null >"$stop/out" 2>&1 &
pid=$!
for _ in $(seq 1200); do [ -e "$stop/T000/experts/libraries/vlcpy.dll" ] && break; sleep 0.05; done
kill -INT "$pid"
status=0
wait "$pid" || status=$?
said=$(tr -d '\r' <"$stop/out")
[ "$status" -eq 130 ] || fail "Ctrl+C: the Windows install exited $status, not 130: $said"
finished=$(ls "$stop"/T0*/experts/libraries/vlcpy.dll | wc -l)
[ "$finished" -ge 1 ] && [ "$finished" -lt 100 ] || fail "Ctrl+C: $finished of 100 terminals done: $said"
grep -q "stopped by a signal: $finished of 100 terminals done" <<<"$said" || fail "Ctrl+C: $said"
completed=$(grep -o '\*Completed|' "$stop/data/clinst.cfg" | wc -l)
[ "$completed" -eq "$finished" ] || fail "Ctrl+C: $completed rows saved as done for $finished terminals"
[ "$(grep -o '\*[A-Za-z]*|' "$stop/data/clinst.cfg" | wc -l)" -eq 100 ] || fail "Ctrl+C: a row was lost"
! find "$stop" -name '*.clnew' -o -name '*.clold' -o -name '*.cljournal' | grep -q . ||
  fail "Ctrl+C: files of the transaction were left"
echo "interop: Ctrl+C stops a Windows install after the terminal in progress ($finished of 100 done), exit 130"
