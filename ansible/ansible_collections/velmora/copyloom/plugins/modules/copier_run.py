#!/usr/bin/python
# -*- coding: utf-8 -*-

# Copyright: Velmora
# Documentation only: copier_run is an action plugin, run on the controller.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
---
module: copier_run
short_description: The copier role's one task on a Linux host
version_added: "1.6.0"
description:
  - Reads the program's checksum and the kit's version on the controller, then runs
    M(velmora.copyloom.terminals) on the host with C(expect), so that a host which holds both costs one
    module run. It returns what the module returns, with C(undelivered) naming what the role must deliver
    before it runs again.
  - Sets the facts C(copier_kit_version), C(copier_kit_path), C(copier_kit_dest) and C(copier_program_path).
options:
  program_source:
    description: A C(.deb) or the C(copyloom) binary on the controller; empty uses the host's program.
    type: path
  kit_source:
    description: A kit folder, C(.zip) or C(.tar.gz) on the controller; empty uses C(terminals_args.kit).
    type: path
  kit_root:
    description: Where the kits are kept on the host, one folder per version.
    type: str
    default: ~/.local/share/copyloom/kits
  cache_dir:
    description: Where a C(.deb) is kept on the host.
    type: str
    default: ~/.cache/copyloom
  terminals_args:
    description: The options of M(velmora.copyloom.terminals).
    type: dict
    default: {}
author:
  - Velmora
'''

EXAMPLES = r'''
- name: The copier, delivered from the controller
  velmora.copyloom.copier_run:
    program_source: files/copyloom_1.4.0.7_amd64.deb
    kit_source: files/Copyloom-kit-1.4.0.7.zip
    terminals_args: {side: provider, all_prefixes: true}
'''

RETURN = r'''
undelivered:
  description: C(program) and C(kit) when they are missing on the host or differ; nothing ran then.
  returned: always
  type: list
  elements: str
kit_version:
  description: The version of C(kit_source), empty without one.
  returned: always
  type: str
'''
