# -*- coding: utf-8 -*-

# Copyright: Velmora
# Reads a kit's version on the controller, from its folder, .zip or .tar.gz.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

DOCUMENTATION = r'''
name: kit_version
short_description: The version of a Copyloom kit on the controller
version_added: "1.5.0"
description:
  - Reads the version from the kit's C(vlcpy*.tag) file, in a kit folder, a C(.zip) or a C(.tar.gz),
    without unpacking it.
  - Returns one dict per term, C({version, tag, root}), where C(root) is the folder inside an archive
    that holds the kit (empty when the kit is at its top).
options:
  _terms:
    description: Paths of kits on the controller.
    required: true
    type: list
    elements: path
author:
  - Velmora
'''

EXAMPLES = r'''
- name: The kit's version
  ansible.builtin.debug:
    msg: "{{ lookup('velmora.copyloom.kit_version', 'files/Copyloom Kit.zip').version }}"
'''

RETURN = r'''
_raw:
  description: One C({version, tag, root}) per term.
  type: list
  elements: dict
'''

import fnmatch
import os
import posixpath
import tarfile
import zipfile

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_native, to_text
from ansible.plugins.lookup import LookupBase

TAG_PATTERN = 'vlcpy*.tag'


def is_tag(name):
    return fnmatch.fnmatch(posixpath.basename(name).lower(), TAG_PATTERN)


def from_members(names, read):
    """The one tag of an archive nearest to its top, read with read(name)."""
    tags = sorted((n for n in names if is_tag(n)), key=lambda n: n.count('/'))
    if not tags:
        return None
    tag = tags[0]
    return dict(tag=posixpath.basename(tag), root=posixpath.dirname(tag).strip('/'), text=read(tag))


def kit_facts(path):
    if os.path.isdir(path):
        tags = sorted(n for n in os.listdir(path) if is_tag(n))
        if not tags:
            return None
        with open(os.path.join(path, tags[0]), 'rb') as f:
            return dict(tag=tags[0], root='', text=f.read())
    if zipfile.is_zipfile(path):
        with zipfile.ZipFile(path) as z:
            return from_members(z.namelist(), z.read)
    if tarfile.is_tarfile(path):
        with tarfile.open(path) as t:
            members = [m.name for m in t.getmembers() if m.isfile()]
            return from_members(members, lambda n: t.extractfile(n).read())
    raise AnsibleError('%s is no kit folder, .zip or .tar.gz' % path)


def kit_version(term):
    """The kit's {version, tag, root}, or an AnsibleError that says what is wrong with it."""
    path = os.path.expanduser(to_native(term))
    if not os.path.exists(path):
        raise AnsibleError('kit %s: no such file or folder on the controller' % path)
    try:
        facts = kit_facts(path)
    except (OSError, tarfile.TarError, zipfile.BadZipfile) as e:
        raise AnsibleError('kit %s cannot be read: %s' % (path, to_native(e)))
    if facts is None:
        raise AnsibleError('kit %s holds no vlcpy*.tag file, so it has no version' % path)
    version = to_text(facts.pop('text'), errors='replace').strip()
    if not version or '/' in version or version.startswith('.'):
        raise AnsibleError('kit %s: the tag %s gives no usable version' % (path, facts['tag']))
    facts['version'] = version
    return facts


class LookupModule(LookupBase):

    def run(self, terms, variables=None, **kwargs):
        return [kit_version(term) for term in terms]
