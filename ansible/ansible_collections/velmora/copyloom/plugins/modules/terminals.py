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
      - C(rows) then holds one entry per prefix, as the command line gives it.
    type: bool
    default: false
notes:
  - Set C(HOME), C(WINEPREFIX) or the language with the task's C(environment) keyword.
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
    - The rows of the command line's JSON output. A row of C(state=present) or C(state=absent) carries
      C(folder), C(type), C(state), C(layout) and C(data_folder), plus C(plan) (check mode) or C(changes)
      (a real run), each a list of C({action, path}) with paths relative to C(data_folder).
    - A row of C(state=status) carries C(installed) (C(current), C(outdated) or C(none)) and C(differs).
    - With C(all_prefixes), a list of C({prefix, rows, messages, exit}), one per prefix.
  returned: always
  type: list
  elements: dict
  sample:
    - folder: C:\MT4 Portable
      type: Provider
      state: Completed
      layout: portable
      data_folder: C:\MT4 Portable
      changes:
        - action: add
          path: MQL4\Experts\_Velmora Signal Provider.ex4
messages:
  description: The messages the command line showed (what the window would show in message boxes).
  returned: always
  type: list
  elements: str
  sample: []
exit:
  description: The exit status of the command line (0 success, 1 a row failed or not current, 2 bad usage).
  returned: always
  type: int
  sample: 0
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
'''

import json

from ansible.module_utils.basic import AnsibleModule

# What each action looks like in the diff; unknown actions are shown by name.
DIFF_MARKS = {'add': '+', 'remove': '-', 'replace': '~', 'patch': '~'}
INSTALLED_STATES = ('current', 'outdated', 'none')


def build_command(params, check_mode):
    """The argument list for copyloom; the terminals go last so a folder cannot pass for an option."""
    cmd = [params['copyloom'], '--json']
    if params['kit']:
        cmd += ['--kit', params['kit']]
    if params['prefix']:
        cmd += ['--prefix', params['prefix']]
    if params['all_prefixes']:
        cmd.append('--all-prefixes')

    state = params['state']
    if state == 'present':
        cmd += ['install', params['side']]
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


def each_run(result):
    """The runs in one output: the output itself, or one per prefix with --all-prefixes."""
    if 'prefixes' in result:
        return result['prefixes']
    return [result]


def row_changes(row, check_mode):
    """The files this row changes (or would change), or None when copyloom does not say."""
    key = 'plan' if check_mode else 'changes'
    changes = row.get(key)
    return changes if isinstance(changes, list) else None


def row_text(row):
    return '%s: %s' % (row.get('folder', '?'), row.get('state') or row.get('installed', ''))


def run_failed(run, state):
    """Whether a run failed. Status exits 1 when a terminal is not current, which is no failure."""
    code = run.get('exit')
    if code == 0:
        return False
    if state == 'status' and code == 1 and not run.get('messages'):
        rows = run.get('rows') or []
        return not all(row.get('installed') in INSTALLED_STATES for row in rows)
    return True


def failure_text(runs, state):
    lines = []
    for run in runs:
        if not run_failed(run, state):
            continue
        head = run.get('prefix')
        if head:
            lines.append('%s (exit %s):' % (head, run.get('exit')))
        lines += run.get('messages') or []
        # Rows the run did not handle have no text to show.
        lines += [row_text(row) for row in run.get('rows') or [] if row.get('state') or row.get('installed')]
    return '; '.join(lines)


def plan_diff(runs, check_mode):
    """One diff entry per terminal that changes, listing its files."""
    diffs = []
    for run in runs:
        for row in run.get('rows') or []:
            changes = row_changes(row, check_mode) or []
            if not changes:
                continue
            folder = row.get('folder', '?')
            if run.get('prefix'):
                folder = '%s (%s)' % (folder, run['prefix'])
            lines = ['%s %s' % (DIFF_MARKS.get(c.get('action'), c.get('action')), c.get('path'))
                     for c in changes]
            diffs.append({'prepared': '%s\n  %s\n' % (folder, '\n  '.join(lines))})
    return diffs


def main():
    module = AnsibleModule(
        argument_spec=dict(
            copyloom=dict(type='path', default='copyloom'),
            kit=dict(type='path'),
            prefix=dict(type='path'),
            all_prefixes=dict(type='bool', default=False),
            side=dict(type='str', choices=['provider', 'receiver', 'experts']),
            terminals=dict(type='list', elements='str', default=['all']),
            state=dict(type='str', choices=['present', 'absent', 'status'], default='present'),
            chart=dict(type='bool'),
        ),
        required_if=[('state', 'present', ['side'])],
        supports_check_mode=True,
    )
    params = module.params
    state = params['state']
    check_mode = module.check_mode
    # Not mutually_exclusive: a play may pass all_prefixes=false beside a prefix.
    if params['prefix'] and params['all_prefixes']:
        module.fail_json(msg='prefix and all_prefixes exclude each other')

    cmd = build_command(params, check_mode)
    code, out, err = module.run_command(cmd)
    try:
        result = json.loads(out)
    except ValueError:
        result = None
    if not isinstance(result, dict):
        # Bad usage, a missing program or a crash: there is no JSON to read.
        said = (err or out).strip().splitlines()
        module.fail_json(msg='copyloom gave no JSON (exit %s): %s' % (code, said[0] if said else 'no output'),
                         cmd=cmd, exit=code, stdout=out, stderr=err, rows=[], messages=[])

    runs = each_run(result)
    report = dict(
        cmd=cmd,
        stderr=err,
        exit=result.get('exit', code),
        rows=result['prefixes'] if 'prefixes' in result else result.get('rows', []),
        messages=result.get('messages', []),
        changed=False,
    )
    if result.get('prefix'):
        report['prefix'] = result['prefix']

    failed = code not in (0, 1) or any(run_failed(run, state) for run in runs)
    if state != 'status':
        rows = [row for run in runs for row in run.get('rows') or []]
        if rows and not failed and all(row_changes(row, check_mode) is None for row in rows):
            # An older copyloom: without its plan there is no telling what changed.
            module.fail_json(msg='copyloom does not report what it %s; it needs --dry-run and the rows\' '
                                 'plan and changes' % ('would change' if check_mode else 'changed'),
                             **report)
        report['changed'] = any(row_changes(row, check_mode) for row in rows)
        if module._diff:
            report['diff'] = plan_diff(runs, check_mode)

    if failed:
        module.fail_json(msg='copyloom failed: %s' % (failure_text(runs, state) or err.strip()), **report)
    module.exit_json(**report)


if __name__ == '__main__':
    main()
