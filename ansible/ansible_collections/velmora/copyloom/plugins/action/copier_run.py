# -*- coding: utf-8 -*-

# Copyright: Velmora
# The role's one task on a host: reads the program's checksum and the kit's version on the
# controller, then runs the terminals module on the host, which checks that both are there
# before copyloom runs. A host that holds them costs one module run; the role delivers only
# what the module reports missing.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import os
import tarfile
import zipfile

from ansible.errors import AnsibleError
from ansible.module_utils.common.text.converters import to_native
from ansible.plugins.action import ActionBase
from ansible_collections.velmora.copyloom.plugins.lookup.checksum import file_sha1
from ansible_collections.velmora.copyloom.plugins.lookup.kit_version import kit_version


def delivery_plan(program_source, kit_source, kit_root, cache_dir, program_sum, kit):
    """Where the program and the kit go on the host, and what the module must find there."""
    facts = dict(copier_program_deb=program_source.endswith('.deb'), copier_program_path='',
                 copier_kit_facts={}, copier_kit_version='', copier_kit_dest='', copier_kit_path='')
    expect = []
    if program_source:
        name = os.path.basename(program_source)
        if facts['copier_program_deb']:
            facts['copier_program_path'] = '/usr/bin/copyloom'
            expect += [dict(what='program', path=cache_dir.rstrip('/') + '/' + name, checksum=program_sum),
                       dict(what='program', path='/usr/bin/copyloom', checksum='')]
        else:
            facts['copier_program_path'] = '~/.local/bin/' + name
            expect.append(dict(what='program', path=facts['copier_program_path'], checksum=program_sum))
    if kit:
        dest = kit_root.rstrip('/') + '/' + kit['version']
        path = (dest + '/' + kit['root']).rstrip('/')
        facts.update(copier_kit_facts=kit, copier_kit_version=kit['version'], copier_kit_dest=dest,
                     copier_kit_path=path)
        expect.append(dict(what='kit', path=path + '/' + kit['tag'], checksum=''))
    facts['copier_expect'] = expect
    return facts


class ActionModule(ActionBase):

    TRANSFERS_FILES = False

    def run(self, tmp=None, task_vars=None):
        result = super(ActionModule, self).run(tmp, task_vars)
        args = dict(self._task.args)
        program_source = to_native(args.pop('program_source', '') or '')
        kit_source = to_native(args.pop('kit_source', '') or '')
        kit_root = to_native(args.pop('kit_root', '') or '~/.local/share/copyloom/kits')
        cache_dir = to_native(args.pop('cache_dir', '') or '~/.cache/copyloom')
        module_args = dict(args.pop('terminals_args', {}) or {})
        if args:
            result.update(failed=True, msg='copier_run: unknown options %s' % ', '.join(sorted(args)))
            return result
        try:
            program_sum = file_sha1(os.path.expanduser(program_source)) if program_source else ''
            kit = kit_version(kit_source) if kit_source else None
        except (AnsibleError, OSError, tarfile.TarError, zipfile.BadZipfile) as e:
            result.update(failed=True, msg=to_native(e), rows=[], messages=[], prefixes=[], exit=2,
                          undelivered=[], delivered=[])
            return result
        facts = delivery_plan(program_source, kit_source, kit_root, cache_dir, program_sum, kit)
        if facts['copier_program_path']:
            module_args['copyloom'] = facts['copier_program_path']
        if facts['copier_kit_path']:
            module_args['kit'] = facts['copier_kit_path']
        if facts['copier_expect']:
            module_args['expect'] = facts['copier_expect']
        ran = self._execute_module(module_name='velmora.copyloom.terminals', module_args=module_args,
                                   task_vars=task_vars)
        result.update(ran)
        result['kit_version'] = facts['copier_kit_version']
        result['delivered'] = []  # the role's delivery tasks say what they brought
        # Where things go on the host, for the delivery tasks. The result itself the role
        # registers: facts returned here rank below set_fact's, so an earlier run's result in
        # the same play would hide this one.
        result['ansible_facts'] = facts
        return result
