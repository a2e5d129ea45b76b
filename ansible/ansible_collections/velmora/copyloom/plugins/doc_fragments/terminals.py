# -*- coding: utf-8 -*-

# Copyright: Velmora
# The options and notes terminals and win_terminals share.

from __future__ import absolute_import, division, print_function
__metaclass__ = type


class ModuleDocFragment(object):

    DOCUMENTATION = r'''
options:
  kit:
    description:
      - The kit folder, as it ships to traders (packages, C(vlcpy.sin), tag files). C(copyloom) acts as if
        it had been started from there.
      - When omitted, C(copyloom) uses the folder it was installed in.
    type: path
  side:
    description:
      - Which side of the copier to install. Required with C(state=present).
    type: str
    choices: [provider, receiver, experts]
  terminals:
    description:
      - The terminals, by installation folder, data folder, C(experts) folder or C(terminal.exe). On
        Linux a native path inside a drive of the prefix is accepted too.
      - C(all) (the default) means every terminal in the host's list. A folder not listed yet is added
        to the list first.
    type: list
    elements: str
    default: [all]
  state:
    description:
      - C(present) installs C(side); C(absent) removes the copier; C(status) changes nothing and reports
        each terminal's C(installed) (C(current), C(outdated) or C(none)).
      - An outdated or missing copier does not fail C(state=status).
    type: str
    choices: [present, absent, status]
    default: present
  chart:
    description:
      - Whether the expert is loaded on the first chart window of the terminal. When omitted, the
        host's saved setting is kept.
      - Only used with C(state=present).
    type: bool
notes:
  - Check mode runs C(copyloom) with C(--dry-run), which changes nothing and returns the plan.
  - Diff mode shows the plan per terminal (files added, replaced, patched or removed).
  - A row that fails fails the task; the rows and the messages are returned with it.
requirements:
  - copyloom with C(--json), C(--dry-run) and the rows' C(plan) and C(changes)
'''
