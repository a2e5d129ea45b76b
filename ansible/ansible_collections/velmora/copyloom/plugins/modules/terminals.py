#!/usr/bin/python
# -*- coding: utf-8 -*-

# Copyright: Velmora
# Runs the copyloom command line on the host and reports what it did.

from __future__ import absolute_import, division, print_function
__metaclass__ = type


DOCUMENTATION = r'''
---
module: terminals
short_description: Install the Copyloom copier into MetaTrader 4 terminals
version_added: "1.0.0"
description:
  - Installs, removes or reports the Copyloom trade copier's experts in the MetaTrader 4 terminals of
    a host, by running the C(copyloom) command line with C(--json).
  - On Linux the terminals live in Wine prefixes; C(prefix) or C(all_prefixes) chooses them. With neither,
    C(copyloom) works on C(~/.wine), or on the one prefix that holds terminals.
  - Windows hosts use its PowerShell twin M(velmora.copyloom.win_terminals), which drives C(copyloom.exe).
  - The result is decided from the plan of a dry run or the changes of the real run, so C(state=present)
    on a host that is already current reports no change.
options:
  copyloom:
    description:
      - Path of the C(copyloom) program. The default is found on C(PATH).
    type: path
    default: copyloom
  prefix:
    description:
      - The Wine prefix whose terminals are worked on (Linux only).
    type: path
  all_prefixes:
    description:
      - Work on every Wine prefix of the user that holds terminals (Linux only).
      - C(rows) stays one flat list; each row names its C(prefix).
    type: bool
    default: false
  allow_empty:
    description:
      - Succeed on a host where no Wine prefix or no terminal is found. By default such a host fails,
        so a machine that lost its prefix does not pass unnoticed.
    type: bool
    default: false
  require_signature:
    description:
      - Pass C(--require-signature) to C(copyloom), which then refuses a kit without a valid signature
        before any terminal changes.
      - Needs a C(copyloom) that has the option.
    type: bool
    default: false
  expect:
    description:
      - Files that must be on the host before C(copyloom) runs, each C({what, path, checksum}); C(checksum)
        is the SHA-1 the file must have, or empty when being there is enough.
      - When one is missing or differs, nothing runs and C(undelivered) names its C(what). The role uses
        this to deliver the program and the kit only when they are not there, in the same task that
        works on the terminals.
    type: list
    elements: dict
notes:
  - Set C(HOME), C(WINEPREFIX) or the language with the task's C(environment) keyword.
  - Without C(prefix), the module first asks C(copyloom prefixes) which prefixes hold terminals, to
    warn about a prefix that is left out or unreadable and to fail on a host with none.
  - The program is looked for on C(PATH), then in C(~/.local/bin), C(/usr/local/bin) and C(/usr/bin).
extends_documentation_fragment:
  - velmora.copyloom.terminals
author:
  - Velmora
'''

EXAMPLES = r'''
- name: Install the Signal Provider into every terminal of the default Wine prefix
  velmora.copyloom.terminals:
    kit: /opt/copyloom/Signal Provider
    side: provider

- name: Install the Signal Receiver into two terminals, loading it on their first chart
  velmora.copyloom.terminals:
    kit: /opt/copyloom/Signal Receiver
    prefix: /home/trader/.mt4
    side: receiver
    chart: true
    terminals:
      - C:\Program Files (x86)\MetaTrader 4
      - /home/trader/.mt4/drive_c/MT4 Portable

- name: Report which terminals of every prefix carry a current copier
  velmora.copyloom.terminals:
    kit: /opt/copyloom/Signal Provider
    all_prefixes: true
    state: status
  register: copier

- name: Remove the copier from every terminal
  velmora.copyloom.terminals:
    state: absent
'''

RETURN = r'''
rows:
  description:
    - One entry per terminal, from every prefix worked on, as one flat list whatever C(all_prefixes) is.
    - Other fields the command line gives a row (such as a failure's C(cause)) are passed through.
  returned: always
  type: list
  elements: dict
  contains:
    prefix:
      description: The Wine prefix the terminal belongs to.
      type: str
      sample: /home/trader/.wine
    folder:
      description: The terminal's installation folder, as the terminal list shows it.
      type: str
      sample: C:\MT4 Portable
    type:
      description: The side found in the terminal (C(Provider), C(Receiver)) or empty.
      type: str
    state:
      description: What happened to the terminal (C(Completed), C(Failed) ...); empty for a row not worked on.
      type: str
    layout:
      description: C(portable) or C(data folder).
      type: str
    data_folder:
      description: The folder that receives the terminal's files.
      type: str
    plan:
      description: In check mode, the files that would change, each C({action, path}) relative to C(data_folder).
      type: list
      elements: dict
      returned: check mode, state=present or absent
    changes:
      description: The files that changed, each C({action, path}) relative to C(data_folder).
      type: list
      elements: dict
      returned: state=present or absent, not in check mode
    installed:
      description: C(current), C(outdated) or C(none).
      type: str
      returned: state=status
    differs:
      description: The kit's files that differ from the terminal's.
      type: list
      elements: str
      returned: state=status
    cause:
      description: Why the row failed, when the command line says.
      type: str
      returned: when the command line gives it
    error:
      description: Why the row failed, as the command line gives it for each failed row.
      type: dict
      returned: for a failed row
      contains:
        kind:
          description: C(no-space), C(no-permission), C(read-only), C(held) (a running terminal), C(missing),
            C(not-a-file), C(too-large), C(bad-name), C(path-too-long), C(io-error) or C(other).
          type: str
        path:
          description: The trader's file or folder it concerns.
          type: str
        system:
          description: The system's own text for it.
          type: str
      sample: {kind: read-only, path: C:\MT4\experts\x.ex4, system: Read-only file system}
  sample:
    - prefix: /home/trader/.wine
      folder: C:\MT4 Portable
      type: Provider
      state: Completed
      layout: portable
      data_folder: C:\MT4 Portable
      changes:
        - action: add
          path: MQL4\Experts\_Velmora Signal Provider.ex4
messages:
  description: The messages the command line showed (what the window would show in message boxes);
    with several prefixes each is headed by its prefix.
  returned: always
  type: list
  elements: str
  sample: []
exit:
  description: The exit status of the command line (0 success, 1 a row failed or not current, 2 bad usage);
    127 when the program was not found.
  returned: always
  type: int
  sample: 0
prefixes:
  description: One entry per prefix worked on, with its own exit status and messages.
  returned: always
  type: list
  elements: dict
  contains:
    prefix:
      description: The Wine prefix.
      type: str
    exit:
      description: The command line's exit status in that prefix.
      type: int
    messages:
      description: The messages shown in that prefix.
      type: list
      elements: str
prefix:
  description: The Wine prefix the command line chose by itself, when neither C(prefix) nor C(all_prefixes) was given.
  returned: when copyloom chose one
  type: str
  sample: /home/trader/.mt4
cmd:
  description: The command line that was run.
  returned: always
  type: list
  elements: str
  sample: [copyloom, --json, --kit, /opt/copyloom/Signal Provider, install, provider, --all]
stderr:
  description: What the command line wrote to its standard error.
  returned: always
  type: str
  sample: ''
undelivered:
  description: The C(what) of each C(expect) entry that is missing or differs; nothing ran when it is not empty.
  returned: always
  type: list
  elements: str
  sample: [program]
'''

import json
import os
import pwd

from ansible.module_utils.basic import AnsibleModule

# What each action looks like in the diff; unknown actions are shown by name.
DIFF_MARKS = {'add': '+', 'remove': '-', 'replace': '~', 'patch': '~'}
INSTALLED_STATES = ('current', 'outdated', 'none')
# Where a program installed by the role or by the package is, when PATH (often
# minimal over SSH) does not hold it.
PROGRAM_DIRS = ('~/.local/bin', '/usr/local/bin', '/usr/bin')
NOT_FOUND = 127


def home_path(path):
    """A ~/ path under the HOME the module runs with."""
    home = os.environ.get('HOME') or pwd.getpwuid(os.getuid()).pw_dir
    return os.path.join(home, path[2:]) if path.startswith('~/') else path


def find_program(module, name):
    """The program's path, or a failure that says where it was looked for."""
    looked = []
    if os.sep in name:
        path = name  # a path option: already expanded
        looked.append(path)
        if os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    else:
        dirs = [home_path(d) for d in PROGRAM_DIRS]
        found = module.get_bin_path(name, opt_dirs=dirs)
        if found:
            return found
        looked = os.environ.get('PATH', '').split(os.pathsep) + dirs
    module.fail_json(msg='Failed to find required executable %s in %s' % (name, ', '.join(looked)),
                     rows=[], messages=[], prefixes=[], exit=NOT_FOUND, cmd=[name], stderr='', undelivered=[])


def build_command(program, params, check_mode):
    """The argument list for copyloom; the terminals go last so a folder cannot pass for an option."""
    cmd = [program, '--json']
    if params['kit']:
        cmd += ['--kit', params['kit']]
    if params['prefix']:
        cmd += ['--prefix', params['prefix']]
    if params['all_prefixes']:
        cmd.append('--all-prefixes')
    state = params['state']
    if state == 'present':
        cmd += ['install', params['side']]
        # An option of the install command, not of copyloom as a whole.
        if params['require_signature']:
            cmd.append('--require-signature')
        if params['chart'] is not None:
            cmd.append('--chart' if params['chart'] else '--no-chart')
    elif state == 'absent':
        cmd.append('uninstall')
    else:
        cmd.append('status')
    if check_mode and state != 'status':
        cmd.append('--dry-run')

    terminals = params['terminals']
    if not terminals or terminals == ['all']:
        cmd.append('--all')
    else:
        cmd += ['--'] + terminals
    return cmd


def undelivered(module, expect):
    """The what of each expected file that is not there as expected."""
    missing = []
    for entry in expect or []:
        path = home_path(str(entry.get('path') or ''))
        checksum = entry.get('checksum') or ''
        there = os.path.isfile(path) and (not checksum or module.sha1(path) == checksum)
        what = str(entry.get('what') or path)
        if not there and what not in missing:
            missing.append(what)
    return missing


def probe_prefixes(module, program):
    """copyloom's list of the user's prefixes, or None when it cannot say."""
    code, out, dummy = module.run_command([program, '--json', 'prefixes'])
    try:
        listed = json.loads(out)
    except ValueError:
        return None
    if code != 0 or not isinstance(listed, dict):
        return None
    return [p for p in listed.get('prefixes') or [] if isinstance(p, dict)]


def default_prefix(params):
    if params['prefix']:
        return params['prefix']
    return os.environ.get('WINEPREFIX') or home_path('~/.wine')


def each_run(result, params):
    """The runs in one output, each naming its prefix: one per prefix with --all-prefixes."""
    if 'prefixes' in result:
        runs = [run for run in result['prefixes'] if isinstance(run, dict)]
    else:
        run = dict(result)
        run['prefix'] = result.get('prefix') or default_prefix(params)
        runs = [run]
    return runs


def flat_rows(runs):
    rows = []
    for run in runs:
        for row in run.get('rows') or []:
            row = dict(row)
            row['prefix'] = run.get('prefix')
            rows.append(row)
    return rows


def run_messages(runs, several):
    messages = []
    for run in runs:
        for message in run.get('messages') or []:
            messages.append('%s: %s' % (run.get('prefix'), message) if several else message)
    return messages


def row_changes(row, check_mode):
    """The files this row changes (or would change), or None when copyloom does not say."""
    key = 'plan' if check_mode else 'changes'
    changes = row.get(key)
    return changes if isinstance(changes, list) else None


def plain(text):
    """A message as one line: the window's '#' between its parts becomes ' - '."""
    return ' - '.join(piece.strip() for piece in str(text or '').split('#') if piece.strip())


def row_cause(row):
    """Why a row failed: its error's kind, path and system text, else the older 'cause'."""
    error = row.get('error')
    if isinstance(error, dict) and error.get('kind'):
        detail = ': '.join(str(error[key]) for key in ('path', 'system') if error.get(key))
        return '%s, %s' % (error['kind'], detail) if detail else str(error['kind'])
    return plain(row.get('cause'))


def row_text(row):
    text = '%s: %s' % (row.get('folder', '?'), plain(row.get('state') or row.get('installed', '')))
    cause = row_cause(row)
    if cause and cause not in text:
        text += ' (%s)' % cause
    return text


def run_failed(run, state):
    """Whether a run failed. Status exits 1 when a terminal is not current, which is no failure."""
    code = run.get('exit')
    if code == 0:
        return False
    if state == 'status' and code == 1 and not run.get('messages'):
        rows = run.get('rows') or []
        return not all(row.get('installed') in INSTALLED_STATES for row in rows)
    return True


def failure_text(runs, state, several):
    """Each failed terminal once, with its cause, and the messages that say more than the rows."""
    parts = []
    for run in runs:
        if not run_failed(run, state):
            continue
        # Rows the run did not handle have no text to show.
        rows = [row for row in run.get('rows') or [] if row.get('state') or row.get('installed')]
        states = [plain(row.get('state')) for row in rows if row.get('state')]
        items = []
        for message in run.get('messages') or []:
            text = plain(message)
            # The summary repeats a row's state: the row already says it.
            if text and text not in items and not any(s in text or text in s for s in states):
                items.append(text)
        text = '; '.join(items + [row_text(row) for row in rows])
        if several:
            head = '%s (exit %s)' % (run.get('prefix'), run.get('exit'))
            text = '%s: %s' % (head, text) if text else head
        if text:
            parts.append(text)
    return '; '.join(parts)


def plan_diff(rows, check_mode, several):
    """One diff entry per terminal that changes, listing its files."""
    diffs = []
    for row in rows:
        changes = row_changes(row, check_mode) or []
        if not changes:
            continue
        folder = row.get('folder', '?')
        if several:
            folder = '%s (%s)' % (folder, row['prefix'])
        lines = ['%s %s' % (DIFF_MARKS.get(c.get('action'), c.get('action')), c.get('path'))
                 for c in changes]
        diffs.append({'prepared': '%s\n  %s\n' % (folder, '\n  '.join(lines))})
    return diffs


def prefix_warnings(listed, worked_on):
    """Warnings for the prefixes that hold terminals but were not worked on, and unreadable ones."""
    warnings = []
    for p in listed or []:
        folder = p.get('folder')
        if p.get('unreadable'):
            warnings.append('Wine prefix %s skipped: %s' % (folder, p['unreadable']))
        elif p.get('terminals') and folder not in worked_on:
            warnings.append('Wine prefix %s holds %s terminal(s) that were not worked on; give all_prefixes '
                            'or prefix' % (folder, p['terminals']))
    return warnings


def main():
    module = AnsibleModule(
        argument_spec=dict(
            copyloom=dict(type='path', default='copyloom'),
            kit=dict(type='path'),
            prefix=dict(type='path'),
            all_prefixes=dict(type='bool', default=False),
            allow_empty=dict(type='bool', default=False),
            require_signature=dict(type='bool', default=False),
            side=dict(type='str', choices=['provider', 'receiver', 'experts']),
            terminals=dict(type='list', elements='str', default=['all']),
            state=dict(type='str', choices=['present', 'absent', 'status'], default='present'),
            chart=dict(type='bool'),
            expect=dict(type='list', elements='dict'),
        ),
        required_if=[('state', 'present', ['side'])],
        supports_check_mode=True,
    )
    params = module.params
    state = params['state']
    check_mode = module.check_mode
    empty = dict(rows=[], messages=[], prefixes=[], exit=2, cmd=[], stderr='', undelivered=[])
    # Not mutually_exclusive: a play may pass all_prefixes=false beside a prefix.
    if params['prefix'] and params['all_prefixes']:
        module.fail_json(msg='prefix and all_prefixes exclude each other', **empty)

    missing = undelivered(module, params['expect'])
    if missing:
        empty.update(exit=0, undelivered=missing)
        module.exit_json(changed=False, **empty)

    program = find_program(module, params['copyloom'])
    # A prefix named by the play or the environment is the operator's choice; otherwise
    # copyloom chooses, and the list tells what it left out.
    listed = None
    if not params['prefix'] and not os.environ.get('WINEPREFIX'):
        listed = probe_prefixes(module, program)
        if listed is not None and not any(p.get('terminals') for p in listed):
            looked = ', '.join(p.get('folder') for p in listed) or 'none found'
            empty.update(cmd=[program, '--json', 'prefixes'], exit=1)
            if not params['allow_empty']:
                module.fail_json(msg='No Wine prefix with MT4 terminals on this host (prefixes: %s); set '
                                     'allow_empty to accept that' % looked, **empty)
            module.warn('No Wine prefix with MT4 terminals on this host (prefixes: %s)' % looked)
            empty['exit'] = 0
            module.exit_json(changed=False, **empty)

    cmd = build_command(program, params, check_mode)
    code, out, err = module.run_command(cmd)
    try:
        result = json.loads(out)
    except ValueError:
        result = None
    if not isinstance(result, dict):
        # Bad usage or a crash: there is no JSON to read.
        said = (err or out).strip().splitlines()
        module.fail_json(msg='copyloom gave no JSON (exit %s): %s' % (code, said[0] if said else 'no output'),
                         cmd=cmd, exit=code, stdout=out, stderr=err, rows=[], messages=[], prefixes=[],
                         undelivered=[])

    several = 'prefixes' in result
    runs = each_run(result, params)
    rows = flat_rows(runs)
    report = dict(
        cmd=cmd,
        stderr=err,
        exit=result.get('exit', code),
        rows=rows,
        messages=run_messages(runs, several),
        prefixes=[dict(prefix=run.get('prefix'), exit=run.get('exit'), messages=run.get('messages') or [])
                  for run in runs],
        changed=False,
        undelivered=[],
    )
    if result.get('prefix'):
        report['prefix'] = result['prefix']
    for warning in prefix_warnings(listed, set(run.get('prefix') for run in runs)):
        module.warn(warning)

    failed = code not in (0, 1) or any(run_failed(run, state) for run in runs)
    if state != 'status':
        if rows and not failed and all(row_changes(row, check_mode) is None for row in rows):
            # An older copyloom: without its plan there is no telling what changed.
            module.fail_json(msg='copyloom does not report what it %s; it needs --dry-run and the rows\' '
                                 'plan and changes' % ('would change' if check_mode else 'changed'),
                             **report)
        report['changed'] = any(row_changes(row, check_mode) for row in rows)
        if module._diff:
            report['diff'] = plan_diff(rows, check_mode, several)

    if failed:
        module.fail_json(msg='copyloom failed: %s' % (failure_text(runs, state, several) or err.strip()), **report)
    if not rows and not params['allow_empty']:
        module.fail_json(msg='No MT4 terminal in %s; set allow_empty to accept that'
                             % ', '.join(run.get('prefix') or '?' for run in runs), **report)
    module.exit_json(**report)


if __name__ == '__main__':
    main()
