#!/usr/bin/env bash
# The main job: list the MT4 terminals of every Wine prefix that has some;
# when none has, build a demo machine (a Wine-style prefix with a few terminals)
# and run a search, an install, a list and an uninstall on it.
set -euo pipefail
cd "$(dirname "$0")/.."
cli="$PWD/build/native/src/cli/copyloom"
kit="$PWD/build/native/kit"

say() { printf '\n\033[1m$ %s\033[0m\n' "$*"; }

if [ -n "${WINEPREFIX:-}" ]; then
  if [ -d "$WINEPREFIX/dosdevices" ]; then
    say "copyloom list   (WINEPREFIX=$WINEPREFIX)"
    out=$("$cli" list) || true
    if [ -n "$out" ]; then
      printf '%s\n' "$out"
      exit 0
    fi
    echo "(no MetaTrader 4 terminal in $WINEPREFIX: showing the demo machine instead)"
  fi
else
  # Every Wine prefix of the user (~/.wine, ~/.mt4, Bottles, PlayOnLinux,
  # Lutris, CrossOver), then the terminals of each one that has some.
  say "copyloom prefixes"
  "$cli" prefixes || true
  say "copyloom --all-prefixes list"
  out=$("$cli" --all-prefixes list) || true
  if grep -q '^== Wine prefix' <<<"$out"; then
    printf '%s\n' "$out"
    exit 0
  fi
  echo "(no Wine prefix holds MetaTrader 4 terminals: showing the demo machine instead)"
fi

demo="$PWD/build/demo"
# Made for the user who runs it, as wineboot would: Wine uses C:\users\<that user>.
user=$(id -un)
rm -rf "$demo"
mkdir -p "$demo/prefix/dosdevices" "$demo/home/Documents" \
         "$demo/prefix/drive_c/users/$user/AppData/Roaming" \
         "$demo/prefix/drive_c/users/$user/AppData/Local/Temp" "$demo/prefix/drive_c/windows"
ln -s ../drive_c "$demo/prefix/dosdevices/c:"
# As wineboot leaves a prefix: Documents is the home folder's.
ln -s "$demo/home/Documents" "$demo/prefix/drive_c/users/$user/Documents"

# One terminal of each layout: its program, and where it keeps its files.
program() {
  mkdir -p "$1"
  printf 'MZ demo terminal' > "$1/terminal.exe"
}
files() {  # FOLDER EXPERTS-FOLDER SYMBOL
  mkdir -p "$1/config" "$1/$2" "$1/profiles/default" "$1/templates"
  printf 'default' > "$1/profiles/lastprofile.ini"
  printf 'EURUSD,H1\r\n%s,H4\r\n' "$3" > "$1/profiles/default/order.wnd"
}
drive_c="$demo/prefix/drive_c"
# Build 600 and later: the files in a data folder named after the installation.
program "$drive_c/Program Files (x86)/MetaTrader 4"
data="$drive_c/users/$user/AppData/Roaming/MetaQuotes/Terminal/50CA3DFB510CC5A8F28B48D1BF2A5702"
files "$data" MQL4/Experts GBPUSD
mkdir -p "$data/MQL4/Indicators" "$data/MQL4/Libraries" "$data/logs"
{ printf '\xff\xfe'; printf 'C:\\Program Files (x86)\\MetaTrader 4' | iconv -t UTF-16LE; } > "$data/origin.txt"
mkdir -p "$drive_c/users/$user/AppData/Roaming/MetaQuotes/Terminal/Common/Files"
# Up to build 509: everything in the installation folder.
program "$drive_c/Program Files (x86)/Demo Broker MT4"
files "$drive_c/Program Files (x86)/Demo Broker MT4" experts USDJPY
mkdir -p "$drive_c/Program Files (x86)/Demo Broker MT4/experts/indicators"
# Started with /portable: MQL4 inside the installation folder.
program "$drive_c/MT4 Portable"
files "$drive_c/MT4 Portable" MQL4/Experts XAUUSD
mkdir -p "$drive_c/MT4 Portable/MQL4/Indicators" "$drive_c/MT4 Portable/MQL4/Libraries"

sed "s/@USER@/$user/g" > "$demo/prefix/user.reg" <<'REG'
WINE REGISTRY Version 2
;; All keys relative to \\User\\S-1-5-21-0-0-0-1000

#arch=win64

[Software\\MetaQuotes Software\\MetaTrader 4] 1765152000
"InstallPath"="C:\\Program Files (x86)\\MetaTrader 4"

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1765152000
"AppData"="C:\\users\\@USER@\\AppData\\Roaming"
"Local AppData"="C:\\users\\@USER@\\AppData\\Local"
"Personal"="C:\\users\\@USER@\\Documents"
REG
printf 'WINE REGISTRY Version 2\n\n#arch=win64\n' > "$demo/prefix/system.reg"

export WINEPREFIX="$demo/prefix"
export COPYLOOM_SHELL=none
echo "Demo machine: $WINEPREFIX (drive C: with three MT4 terminals: data folder, classic, portable)"
echo "Kit: $kit"

run() {
  say "copyloom $*"
  "$cli" --kit "$kit" "$@" || echo "(exit status $?)"
}
run list
run status
run install provider --all
run list
run status
run install provider --all
run uninstall --all
run list
say "settings file (the prefix's own list)"
cat "$demo/prefix/drive_c/users/$user/AppData/Roaming/Velmora/cplm/clinst.cfg"; echo
