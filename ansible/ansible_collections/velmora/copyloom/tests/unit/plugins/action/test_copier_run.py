# Where copier_run sends the program and the kit, and what it has the module look for.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import os
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
# The folder that holds ansible_collections/, seven levels up, as Ansible's own loader sees it.
from ansible.utils.collection_loader._collection_finder import _AnsibleCollectionFinder  # noqa: E402
_AnsibleCollectionFinder(paths=[os.path.abspath(os.path.join(HERE, *(['..'] * 7)))])._install()
from ansible_collections.velmora.copyloom.plugins.action.copier_run import delivery_plan  # noqa: E402

KIT = {'version': '1.4.0.7', 'tag': 'vlcpy1407.tag', 'root': 'Copyloom Kit'}


class DeliveryPlanTest(unittest.TestCase):
    def test_each_source(self):
        cases = [
            # (program source, kit, copier_program_path, copier_kit_path, expect as (what, path, checksum))
            ('', None, '', '', []),
            ('/c/copyloom_1.4.0.7_amd64.deb', None, '/usr/bin/copyloom', '',
             [('program', '~/.cache/copyloom/copyloom_1.4.0.7_amd64.deb', 'sum'), ('program', '/usr/bin/copyloom', '')]),
            ('/c/copyloom', None, '~/.local/bin/copyloom', '', [('program', '~/.local/bin/copyloom', 'sum')]),
            ('', KIT, '', '~/kits/1.4.0.7/Copyloom Kit', [('kit', '~/kits/1.4.0.7/Copyloom Kit/vlcpy1407.tag', '')]),
            ('', dict(KIT, root=''), '', '~/kits/1.4.0.7', [('kit', '~/kits/1.4.0.7/vlcpy1407.tag', '')]),
        ]
        for program, kit, program_path, kit_path, expect in cases:
            facts = delivery_plan(program, 'k' if kit else '', '~/kits/', '~/.cache/copyloom', 'sum', kit)
            self.assertEqual(facts['copier_program_path'], program_path, program)
            self.assertEqual(facts['copier_kit_path'], kit_path, kit)
            self.assertEqual([(e['what'], e['path'], e['checksum']) for e in facts['copier_expect']], expect)
            self.assertEqual(facts['copier_kit_version'], kit['version'] if kit else '')


if __name__ == '__main__':
    unittest.main()
