# -*- coding: utf-8 -*-

# Copyright: Velmora
# The SHA-1 of a file on the controller, as ansible.builtin.copy and stat give it on the host.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
name: checksum
short_description: The SHA-1 of a file on the controller
version_added: "1.6.0"
description:
  - Returns the SHA-1 (hex) of each file, the checksum M(ansible.builtin.copy) and M(ansible.builtin.stat)
    compare with, so a play can tell on the host whether a file is already delivered.
options:
  _terms:
    description: Paths of files on the controller.
    required: true
    type: list
    elements: path
author:
  - Velmora
'''

EXAMPLES = r'''
- name: The program's checksum
  ansible.builtin.debug:
    msg: "{{ lookup('velmora.copyloom.checksum', 'files/copyloom') }}"
'''

RETURN = r'''
_raw:
  description: One hex SHA-1 per term.
  type: list
  elements: str
'''

import hashlib
import os

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_native
from ansible.plugins.lookup import LookupBase


def file_sha1(path):
    digest = hashlib.sha1()
    try:
        with open(path, 'rb') as f:
            for block in iter(lambda: f.read(1 << 20), b''):
                digest.update(block)
    except (IOError, OSError) as e:
        raise AnsibleError('%s cannot be read on the controller: %s' % (path, to_native(e)))
    return digest.hexdigest()


class LookupModule(LookupBase):

    def run(self, terms, variables=None, **kwargs):
        return [file_sha1(os.path.expanduser(to_native(term))) for term in terms]
