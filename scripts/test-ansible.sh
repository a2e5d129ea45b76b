#!/usr/bin/env bash
# The Ansible collection: builds and installs it, checks the module's
# documentation and the offline sanity tests, then runs the playbooks over real
# SSH: an sshd of the test's own on 127.0.0.1, local users as hosts, the
# program delivered from the .deb built in this run and the kit from the
# sample kit (as a folder, a .zip and a .tar.gz).
#   scripts/test-ansible.sh [BUILD-DIR]   (the sample kit's build, default build/native-asan)
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
build="${1:-build/native-asan}"
kit="$repo/$build/kit"
if [ ! -d "$kit" ]; then
  echo "test-ansible: build $build first (its kit/)" >&2
  exit 1
fi
[ "$(id -u)" -eq 0 ] || { echo "test-ansible: needs root (local users, sshd, dpkg)" >&2; exit 1; }
source scripts/test-machine.sh
test_machine_reclaim test-ansible || exit 1
test_machine_mark_installed  # the role installs the package on the local hosts
deb=$(scripts/package.sh 2>/dev/null | tail -n 1)

echo "== Ansible collection velmora.copyloom: build, install, sanity, fleet playbook"
start=$(date +%s)
sandbox=$(mktemp -d /tmp/copyloom-ansible.XXXXXX)
chmod 711 "$sandbox"
users=()
cleanup() {
  set +e
  # Ansible's persistent connections first, then what still runs as a test user
  # (the sessions would outlive the sshd and keep the user from being deleted).
  for socket in "$sandbox"/controller/.ansible/cp/*; do
    [ -S "$socket" ] && ssh -O exit -o ControlPath="$socket" host 2>/dev/null
  done
  if [ -f "$sandbox/sshd/pid" ]; then kill "$(cat "$sandbox/sshd/pid")" 2>/dev/null || true; fi
  for user in "${users[@]}"; do
    pids=$(pgrep -u "$user" || true)
    [ -z "$pids" ] || { kill $pids 2>/dev/null; sleep 0.2; }
    userdel "$user" 2>/dev/null || echo "test-ansible: user $user is left" >&2
  done
  test_machine_remove_package
  rm -rf "$sandbox"
}
trap cleanup EXIT
# Ansible keeps its own state under HOME too; none of it may reach the user's.
export HOME="$sandbox/controller" ANSIBLE_LOCAL_TEMP="$sandbox/controller/tmp" LC_ALL=C.UTF-8
export ANSIBLE_COLLECTIONS_PATH="$sandbox/collections" ANSIBLE_NOCOLOR=1
export ANSIBLE_PYTHON_INTERPRETER=/usr/bin/python3 ANSIBLE_DEPRECATION_WARNINGS=0 ANSIBLE_PIPELINING=1
export ANSIBLE_HOST_KEY_CHECKING=False ANSIBLE_FORKS=10
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
# The module's report of failed rows, from a fake copyloom JSON (no host needed).
python3 "$source_dir/tests/unit/plugins/modules/test_terminals.py" >"$sandbox/unit.log" 2>&1 ||
  { cat "$sandbox/unit.log"; exit 1; }
# Where copier_run sends the program and the kit (needs Ansible's own Python).
/usr/bin/python3 "$source_dir/tests/unit/plugins/action/test_copier_run.py" >"$sandbox/unit.log" 2>&1 ||
  { cat "$sandbox/unit.log"; exit 1; }
# Windows hosts: no Windows host can run here, so the role's Windows delivery is only
# resolved and syntax-checked, and only where the ansible.windows collection is installed.
if ansible-doc -t module ansible.windows.win_stat >/dev/null 2>&1; then
  ansible-playbook --syntax-check -i localhost, "$repo/ansible/tests/windows-syntax.yml" >"$sandbox/windows.log" 2>&1 ||
    { cat "$sandbox/windows.log"; exit 1; }
else
  echo "test-ansible: the role's Windows delivery is not syntax-checked (no ansible.windows collection)"
fi


# A Wine prefix as wineboot leaves it, with the user folders linked to HOME,
# and two terminals: a data-folder one and a portable one.
make_prefix() {  # HOME PREFIX USER
  # Made for the user who runs it, as wineboot would: a prefix of another
  # user's is used under the running user's own profile.
  local home="$1" prefix="$2" owner="$3"
  local users="$prefix/drive_c/users/$owner" c="$prefix/drive_c"
  mkdir -p "$home/Documents" "$home/Desktop" "$prefix/dosdevices" "$users/AppData/Roaming" "$c/windows"
  ln -s ../drive_c "$prefix/dosdevices/c:"
  ln -s "$home/Documents" "$users/Documents"
  ln -s "$home/Desktop" "$users/Desktop"
  printf 'WINE REGISTRY Version 2\n\n#arch=win64\n' >"$prefix/system.reg"
  cat >"$prefix/user.reg" <<REG
WINE REGISTRY Version 2

#arch=win64

[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1765152000
"AppData"="C:\\\\users\\\\$owner\\\\AppData\\\\Roaming"
"Personal"="C:\\\\users\\\\$owner\\\\Documents"
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
}

# A host: a local user (root for apt) whose HOME is in the sandbox, with the
# given prefixes. Prints the user.
add_host() {  # NAME USER|- PREFIX...
  local name="$1" user="$2" home="$sandbox/hosts/$1"
  shift 2
  mkdir -p "$home"
  if [ "$user" = - ]; then
    user="cl-$name-$$"
    useradd -M -d "$home" -s /bin/sh "$user"
    usermod -p '*' "$user"  # no password, yet not locked: key login only
    users+=("$user")
  fi
  for prefix in "$@"; do make_prefix "$home" "$home/$prefix" "$user"; done
  chown -R "$user:" "$home"
  hosts+=("$name")
  echo "$user" >"$home.user"
}

# The program as the role gets it: the .deb, or the binary inside it; the
# kit as a folder, a .zip and a .tar.gz.
dpkg-deb -x "$deb" "$sandbox/deb"
program="$sandbox/deb/usr/bin/copyloom"
# The package is a release build and trusts no test key, so the fleet gets the
# sample kit unsigned (the inventory allows that).
cp -r "$kit" "$sandbox/kit"
find "$sandbox/kit" -name 'kit.manifest*' -delete
kit="$sandbox/kit"
(cd "$kit" && zip -qr "$sandbox/kit.zip" . && tar -czf "$sandbox/kit.tar.gz" .)
kit_version=$(tr -d '\r\n' <"$kit"/vlcpy*.tag)

# An sshd of the test's own on 127.0.0.1: its configuration, host key, port, keys.
ssh_dir="$sandbox/sshd"
mkdir -p "$ssh_dir" /run/sshd
ssh-keygen -q -t ed25519 -N '' -f "$ssh_dir/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$ssh_dir/client_key"
cp "$ssh_dir/client_key.pub" "$ssh_dir/authorized_keys"
chmod 755 "$ssh_dir"
chmod 644 "$ssh_dir/authorized_keys"
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$ssh_dir/sshd_config" <<SSHD
Port $port
ListenAddress 127.0.0.1
HostKey $ssh_dir/host_key
PidFile $ssh_dir/pid
AuthorizedKeysFile $ssh_dir/authorized_keys
StrictModes no
UsePAM no
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
MaxStartups 100
MaxSessions 100
Subsystem sftp internal-sftp
LogLevel ERROR
SSHD
/usr/sbin/sshd -f "$ssh_dir/sshd_config" -E "$ssh_dir/log"
for _ in $(seq 50); do [ -s "$ssh_dir/pid" ] && break; sleep 0.1; done
[ -s "$ssh_dir/pid" ] || { cat "$ssh_dir/log"; echo "test-ansible: sshd did not start" >&2; exit 1; }

mkdir -p "$sandbox/hosts"
chmod 711 "$sandbox/hosts"
hosts=()
# No program: listed first, so that a serial batch of two holds it and vps1.
add_host noprog - .wine
add_host vps1 - .wine
add_host vps2 - .wine .mt4
add_host vps3 root .wine
add_host empty -
add_host ro - .wine
# The read-only terminal: its experts folder belongs to root.
chown root: "$sandbox/hosts/ro/.wine/drive_c/MT4 Portable/MQL4/Experts"
user() { cat "$sandbox/hosts/$1.user"; }
h="$sandbox/hosts"

# Signed kits: the build's own program (it trusts the build's test key, which
# the release package does not) with the signed sample kit, and with a copy of
# it whose library was changed after signing.
signed_program="$sandbox/signed/copyloom"
mkdir -p "$sandbox/signed"
cp "$repo/$build/src/cli/copyloom" "$signed_program"
cp -r "$repo/$build/kit" "$sandbox/signed/kit"
cp -r "$repo/$build/kit" "$sandbox/signed/tampered"
printf 'x' >>"$sandbox/signed/tampered/Signal Provider/experts/libraries/vlcpy.dll"
add_host signed - .wine
add_host tampered - .wine

# A prefix that last ran under ru_RU (code page 1251 in system.reg), while the
# module runs under Ansible's C locale: a terminal with a Cyrillic name, and
# the list an earlier version saved in 1251, with a terminal added by hand on
# a drive the prefix does not map.
add_host ru - .wine
ru_prefix="$h/ru/.wine"
ru_terminal="$ru_prefix/drive_c/Терминал МТ4"
mkdir -p "$ru_terminal/MQL4/Experts" "$ru_terminal/MQL4/Libraries" "$ru_terminal/config" "$ru_terminal/templates"
printf 'MZ terminal' >"$ru_terminal/terminal.exe"
cat >>"$ru_prefix/system.reg" <<'REG'

[System\\CurrentControlSet\\Control\\Nls\\CodePage] 1765152000
"ACP"="1251"
"OEMCP"="866"
REG
ru_list="$ru_prefix/drive_c/users/$(user ru)/AppData/Roaming/Velmora/cplm/clinst.cfg"
mkdir -p "${ru_list%/*}"
printf '[MAIN]\r\nPATH=11C:\\\xD2\xE5\xF0\xEC\xE8\xED\xE0\xEB \xCC\xD2\x34*Completed|00D:\\MT4 Away*|\r\n' >"$ru_list"
chown -R "$(user ru):" "$h/ru"

inventory="$sandbox/inventory.yml"
cat >"$inventory" <<INV
all:
  vars: {copier_side: provider, copier_chart: true, ansible_host: 127.0.0.1, ansible_port: $port,
         ansible_ssh_private_key_file: $ssh_dir/client_key, copier_require_signature: false}
  children:
    good:
      hosts:
        noprog: {ansible_user: $(user noprog), host_home: $h/noprog}
        vps1: {ansible_user: $(user vps1), host_home: $h/vps1, copier_program_source: $program,
               copier_kit_source: $sandbox/kit.tar.gz}
        vps2: {ansible_user: $(user vps2), host_home: $h/vps2, copier_program_source: $program,
               copier_kit_source: $sandbox/kit.zip, copier_all_prefixes: true}
        vps3: {ansible_user: root, host_home: $h/vps3, copier_program_source: $deb,
               copier_kit_source: $kit, copier_become: false, copier_kit_root: $h/vps3/kits,
               copier_cache_dir: $h/vps3/cache, ansible_remote_tmp: $h/vps3/tmp,
               copier_environment: {HOME: $h/vps3}}
    bad:
      hosts:
        empty: {ansible_user: $(user empty), host_home: $h/empty, copier_program_source: $program,
                copier_kit_source: $kit}
        ro: {ansible_user: $(user ro), host_home: $h/ro, copier_program_source: $program,
             copier_kit_source: $kit}
        gone: {ansible_port: 1, ansible_user: nobody}
    kits:
      vars: {copier_require_signature: true, copier_program_source: $signed_program,
             copier_environment: {ASAN_OPTIONS: detect_leaks=0}}
      hosts:
        signed: {ansible_user: $(user signed), host_home: $h/signed, copier_kit_source: $sandbox/signed/kit}
        tampered: {ansible_user: $(user tampered), host_home: $h/tampered,
                   copier_kit_source: $sandbox/signed/tampered}
    locale:
      hosts:
        ru: {ansible_user: $(user ru), host_home: $h/ru, copier_program_source: $program,
             copier_kit_source: $kit, copier_terminals: ['C:\\Терминал МТ4']}
INV

fail() { echo "test-ansible: $*" >&2; exit 1; }
run() {  # LOG ARGS...: ansible-playbook, its output in the sandbox
  local log="$sandbox/$1.log"
  shift
  ansible-playbook -i "$inventory" "$@" >"$log" 2>&1
}
show() { cat "$sandbox/$1.log"; }
experts() { find "$h/$1" -path '*drive_c*' -name '_Velmora *.ex4' | wc -l; }
good=vps1:vps2:vps3

# Check mode on fresh hosts: the program and the kit would come, nothing changes.
run check velmora.copyloom.install -l $good --check --diff || { show check; fail "check mode failed"; }
[ ! -e "$h/vps1/.local/bin/copyloom" ] || fail "check mode copied the program"
[ ! -e /usr/bin/copyloom ] || fail "check mode installed the package"
grep -q "planned once the program and the kit are delivered" "$sandbox/check.log" ||
  { show check; fail "check mode: no word on the delivery"; }

# The module and the role host by host: delivery, plan, install, idempotence,
# status, drift, and the failing hosts.
run fleet -e kit_version="$kit_version" "$repo/ansible/tests/fleet.yml" || { show fleet; fail "fleet playbook failed"; }
dpkg-query -W -f='${Status}' copyloom | grep -q "install ok installed" || fail "the .deb was not installed"

# The whole playbook again: nothing changes anywhere.
run again velmora.copyloom.install -l $good || { show again; fail "second run failed"; }
if grep -A8 '^PLAY RECAP' "$sandbox/again.log" | grep '^vps' | grep -qv 'changed=0 '; then
  show again; fail "a second run changed something"
fi

# The report over every host, the unreachable and failing ones too.
run report velmora.copyloom.report -e copier_report_dir="$sandbox" && { show report; fail "the report run hid failing hosts"; }
csv="$sandbox/copyloom-report.csv"
[ -f "$csv" ] && [ -f "$sandbox/copyloom-report.md" ] || { show report; fail "no report written"; }
python3 - "$csv" "$kit_version" <<'PY' || { cat "$csv"; fail "the report is wrong"; }
import csv, sys
by = {}
for r in csv.DictReader(open(sys.argv[1])):
    by.setdefault(r['host'], []).append(r)
version = sys.argv[2]
assert [len(by[h]) for h in ('vps1', 'vps2', 'vps3')] == [2, 4, 2], by
assert len({r['prefix'] for r in by['vps2']}) == 2
for host in ('vps1', 'vps2', 'vps3'):
    assert all(r['state'] == 'current' and r['kit_version'] == version for r in by[host]), by[host]
    assert {r['layout'] for r in by[host]} == {'portable', 'data folder'}, by[host]
assert by['gone'][0]['state'] == 'unreachable' and 'ssh' in by['gone'][0]['cause'], by['gone']
assert by['noprog'][0]['cause'], by['noprog']  # no kit; the .deb gave it a program
assert 'No Wine prefix' in by['empty'][0]['cause'], by['empty']
assert len(by['ro']) == 2, by['ro']
PY
grep -q '^| host | prefix | terminal' "$sandbox/copyloom-report.md" || fail "no Markdown table"

# serial with max_fail_percentage: the batch with the failing host stops the play.
run serial velmora.copyloom.install -l noprog:$good -e copier_serial=2 -e copier_max_fail_percentage=0 &&
  { show serial; fail "the serial run passed with a failing host"; }
grep -qE '^ok: \[vps1\]' "$sandbox/serial.log" || { show serial; fail "serial: the first batch did not run"; }
grep -qE '\[vps[23]\]' "$sandbox/serial.log" && { show serial; fail "serial: a later batch ran"; }

# absent: nothing of the kit left in any terminal.
run absent velmora.copyloom.install -l $good -e copier_state=absent || { show absent; fail "absent failed"; }
for host in vps1 vps2 vps3; do [ "$(experts $host)" -eq 0 ] || fail "$host: experts left after absent"; done


# COPYLOOM_ANSIBLE_BENCH=N: N more hosts, forks 10; the wall time of the
# playbooks against copyloom run over plain ssh on each host.
if [ -n "${COPYLOOM_ANSIBLE_BENCH:-}" ]; then
  bench="$sandbox/bench.yml"
  printf 'bench:\n  vars: {copier_side: provider, copier_require_signature: false, ansible_host: 127.0.0.1, ansible_port: %s, ansible_ssh_private_key_file: %s, copier_program_source: %s, copier_kit_source: %s}\n  hosts:\n' \
    "$port" "$ssh_dir/client_key" "$program" "$sandbox/kit.tar.gz" >"$bench"
  for i in $(seq "$COPYLOOM_ANSIBLE_BENCH"); do
    add_host "b$i" - .wine
    echo "    b$i: {ansible_user: $(user "b$i")}" >>"$bench"
  done
  cat >"$sandbox/status.yml" <<'PLAY'
- hosts: bench
  gather_facts: false
  tasks:
    - velmora.copyloom.terminals: {state: status, kit: "~/.local/share/copyloom/kits/{{ kit_version }}"}
PLAY
  seconds() { local t0; t0=$(date +%s.%N); "$@" >/dev/null 2>&1 || true; echo "$(date +%s.%N) - $t0" | bc; }
  first=$(seconds ansible-playbook -i "$bench" velmora.copyloom.install)
  again=$(seconds ansible-playbook -i "$bench" velmora.copyloom.install)
  status=$(seconds ansible-playbook -i "$bench" -e kit_version="$kit_version" "$sandbox/status.yml")
  plain() {
    for i in $(seq "$COPYLOOM_ANSIBLE_BENCH"); do echo "$(user "b$i")"; done |
      xargs -P 10 -I{} ssh -q -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -i "$ssh_dir/client_key" \
        -p "$port" {}@127.0.0.1 "~/.local/bin/copyloom --json --kit ~/.local/share/copyloom/kits/$kit_version status --all"
  }
  ssh_plain=$(seconds plain)
  echo "bench: $COPYLOOM_ANSIBLE_BENCH hosts, forks 10: install (delivery) ${first} s, install again ${again} s," \
       "module status ${status} s, copyloom status over plain ssh ${ssh_plain} s"
fi
grep -A9 '^PLAY RECAP' "$sandbox/report.log"
echo "== Ansible collection passed in $(( $(date +%s) - start )) s"
