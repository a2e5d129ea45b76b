#!/usr/bin/python
# -*- coding: utf-8 -*-

# Copyright: Velmora
# Documentation only: the module is win_terminals.ps1, which Windows hosts run.

from __future__ import absolute_import, division, print_function
__metaclass__ = type


DOCUMENTATION = r'''
---
module: win_terminals
short_description: Install the Copyloom copier into the MetaTrader 4 terminals of a Windows host
version_added: "1.0.0"
description:
  - The Windows twin of M(velmora.copyloom.terminals). It runs C(copyloom.exe --json) on the host and
    decides C(changed) from the plan of a dry run or the changes of the real run.
  - Windows has no Wine prefixes, so it has no C(prefix) or C(all_prefixes).
options:
  copyloom:
    description:
      - Path of C(copyloom.exe), which ships beside the two setup programs. The default is found on C(PATH).
    type: path
    default: copyloom.exe
extends_documentation_fragment:
  - velmora.copyloom.terminals
seealso:
  - module: velmora.copyloom.terminals
author:
  - Velmora
'''

EXAMPLES = r'''
- name: Install the Signal Receiver into every terminal of the host
  velmora.copyloom.win_terminals:
    copyloom: C:\Copyloom Setup\copyloom.exe
    kit: C:\Copyloom Setup\Signal Receiver
    side: receiver
'''

RETURN = r'''
rows:
  description: The rows of C(copyloom.exe --json), as M(velmora.copyloom.terminals) returns them.
  returned: always
  type: list
  elements: dict
messages:
  description: The messages the command line showed.
  returned: always
  type: list
  elements: str
exit:
  description: The exit status of C(copyloom.exe).
  returned: always
  type: int
cmd:
  description: The command line that was run.
  returned: always
  type: list
  elements: str
stderr:
  description: What C(copyloom.exe) wrote to its standard error.
  returned: always
  type: str
'''
