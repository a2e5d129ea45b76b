#!/usr/bin/env bash
# The Ansible collection: builds and installs it, checks the module's
# documentation and the offline sanity tests, then runs the fleet playbook on
# three local hosts, each with its own HOME, Wine prefix and kit, all sandboxed.
#   scripts/test-ansible.sh [BUILD-DIR]   (default build/native-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
build="${1:-build/native-asan}"
cli="$repo/$build/src/cli/copyloom"
kit="$repo/$build/kit"
if [ ! -x "$cli" ] || [ ! -d "$kit" ]; then
  echo "test-ansible: build $build first (copyloom and kit/)" >&2
  exit 1
fi

echo "== Ansible collection velmora.copyloom: build, install, sanity, fleet playbook"
start=$(date +%s)
sandbox=$(mktemp -d /tmp/copyloom-ansible.XXXXXX)
trap 'rm -rf "$sandbox"' EXIT
# Ansible keeps its own state under HOME too; none of it may reach the user's.
export HOME="$sandbox/controller" ANSIBLE_LOCAL_TEMP="$sandbox/controller/tmp" LC_ALL=C.UTF-8
export ANSIBLE_COLLECTIONS_PATH="$sandbox/collections" ANSIBLE_NOCOLOR=1
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3 ANSIBLE_DEPRECATION_WARNINGS=0 ANSIBLE_PIPELINING=1
mkdir -p "$HOME"

source_dir="$repo/ansible/ansible_collections/velmora/copyloom"
ansible-galaxy collection build --output-path "$sandbox" "$source_dir" >/dev/null
ansible-galaxy collection install -p "$ANSIBLE_COLLECTIONS_PATH" "$sandbox"/velmora-copyloom-*.tar.gz >/dev/null
ansible-doc velmora.copyloom.terminals >/dev/null
installed="$ANSIBLE_COLLECTIONS_PATH/ansible_collections/velmora/copyloom"

# The sanity tests that need nothing beyond Debian's packages (validate-modules,
# pylint and the import test need the Python package index).
(cd "$installed" && ansible-test sanity --python "$(python3 -c 'import sys; print("%d.%d" % sys.version_info[:2])')" \
  --test compile --test shebang --test line-endings --test no-smart-quotes --test empty-init \
  --test symlinks --test future-import-boilerplate --test metaclass-boilerplate \
  --test action-plugin-docs --test no-assert --test no-basestring \
  --test no-dict-iteritems --test no-dict-iterkeys --test no-dict-itervalues --test no-get-exception \
  --test no-illegal-filenames --test no-main-display --test no-unicode-literals --test replace-urlopen \
  --test use-compat-six --test use-argspec-type-path \
  >"$sandbox/sanity.log" 2>&1) || { cat "$sandbox/sanity.log"; exit 1; }

# A Wine prefix as wineboot leaves it, with the user folders linked to HOME,
# and two terminals: a data-folder one and a portable one.
make_host() {  # NAME
  local home="$sandbox/hosts/$1" prefix="$sandbox/hosts/$1/.wine"
  local users="$prefix/drive_c/users/trader" c="$prefix/drive_c"
  mkdir -p "$home/Documents" "$home/Desktop" "$prefix/dosdevices" "$users/AppData/Roaming" "$c/windows"
  ln -s ../drive_c "$prefix/dosdevices/c:"
  ln -s "$home/Documents" "$users/Documents"
  ln -s "$home/Desktop" "$users/Desktop"
  printf 'WINE REGISTRY Version 2\n\n#arch=win64\n' >"$prefix/system.reg"
  cat >"$prefix/user.reg" <<'REG'
WINE REGISTRY Version 2

#arch=win64

[Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders] 1765152000
"AppData"="C:\\users\\trader\\AppData\\Roaming"
"Personal"="C:\\users\\trader\\Documents"
REG
  local install="$c/Program Files (x86)/MetaTrader 4"
  local data="$users/AppData/Roaming/MetaQuotes/Terminal/50CA3DFB510CC5A8F28B48D1BF2A5702"
  local portable="$c/MT4 Portable"
  mkdir -p "$install" "$portable"
  printf 'MZ terminal' >"$install/terminal.exe"
  printf 'MZ terminal' >"$portable/terminal.exe"
  for files in "$data" "$portable"; do
    mkdir -p "$files/MQL4/Experts" "$files/MQL4/Indicators" "$files/MQL4/Libraries" "$files/config" \
             "$files/profiles/default" "$files/templates"
    printf 'default' >"$files/profiles/lastprofile.ini"
    printf 'EURUSD,H1\r\n' >"$files/profiles/default/order.wnd"
  done
  { printf '\xff\xfe'; printf 'C:\\Program Files (x86)\\MetaTrader 4' | iconv -t UTF-16LE; } >"$data/origin.txt"
  cp -r "$kit" "$home/kit"
}

inventory="$sandbox/inventory.yml"
echo "fleet:" >"$inventory"
echo "  hosts:" >>"$inventory"
for host in vps1 vps2 vps3; do
  make_host "$host"
  cat >>"$inventory" <<EOF
    $host:
      ansible_connection: local
      host_home: $sandbox/hosts/$host
EOF
done
# One host names no prefix and lets copyloom find every prefix of its HOME.
echo "      all_prefixes: true" >>"$inventory"

ansible-playbook -i "$inventory" -e "copyloom_program=$cli" "$repo/ansible/tests/fleet.yml" \
  >"$sandbox/playbook.log" 2>&1 || { cat "$sandbox/playbook.log"; exit 1; }
grep -A4 '^PLAY RECAP' "$sandbox/playbook.log"
echo "== Ansible collection passed in $(( $(date +%s) - start )) s"
