# Sourced by the tests that install the Debian package or add local users.
# A run that was cut off (Ctrl-C twice, a dropped session, a reboot) cannot
# clean up after itself, so each run first clears what an earlier test run
# left behind, and only that: a package the tests did not install is kept.
copyloom_test_marker=/var/lib/copyloom-tests/package-installed-by-test

# Fails when a copyloom package that no test installed is on the machine.
test_machine_reclaim() {  # TEST-NAME
  local name="$1" user home pid
  # Users of an earlier Ansible run: cl-NAME-PID, homed in a sandbox under /tmp,
  # whose run is no longer alive.
  while IFS=: read -r user _ _ _ _ home _; do
    [[ $user =~ ^cl-.+-([0-9]+)$ && $home == /tmp/copyloom-ansible.* ]] || continue
    pid="${BASH_REMATCH[1]}"
    if [ "$pid" != "$$" ] && ! kill -0 "$pid" 2>/dev/null; then
      pkill -u "$user" 2>/dev/null || true
      userdel "$user" 2>/dev/null && echo "$name: removed the user $user an earlier run left" >&2
    fi
  done < <(getent passwd)
  if dpkg-query -W -f='${Status}' copyloom 2>/dev/null | grep -q "install ok installed"; then
    if [ -f "$copyloom_test_marker" ]; then
      echo "$name: removing the copyloom package an earlier test run left installed" >&2
      ${SUDO:-} dpkg -r copyloom >/dev/null
      ${SUDO:-} rm -f "$copyloom_test_marker"
    else
      echo "$name: a copyloom package is installed on this machine already; not replacing it" >&2
      return 1
    fi
  fi
}

# Called just before a test installs the package.
test_machine_mark_installed() { ${SUDO:-} mkdir -p "${copyloom_test_marker%/*}" && ${SUDO:-} touch "$copyloom_test_marker"; }
# Removes the package; the mark goes only once the package is gone.
test_machine_remove_package() {
  ${SUDO:-} dpkg -r copyloom >/dev/null 2>&1 || true
  dpkg-query -W -f='${Status}' copyloom 2>/dev/null | grep -q "install ok installed" && return 1
  ${SUDO:-} rm -f "$copyloom_test_marker"
}
