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


class ReportLinesTest(unittest.TestCase):
    """The report's lines from each kind of host result, as the role leaves them."""

    def lines(self, results):
        import jinja2
        import json
        path = os.path.join(HERE, *(['..'] * 4), 'roles', 'copier', 'templates')
        env = jinja2.Environment(loader=jinja2.FileSystemLoader(path), extensions=['jinja2.ext.do'])
        env.filters['to_json'] = json.dumps
        hostvars = {host: ({} if result is None else {'copier_result': result})
                    for host, result in results.items()}
        text = env.get_template('report_lines.j2').render(copier_report_hosts=list(results), hostvars=hostvars)
        return json.loads(text)

    def test_each_kind_of_host(self):
        rows = [dict(prefix='/h/.wine', folder='C:\\MT4', layout='portable', state='Completed', changes=['a', 'b']),
                dict(prefix='/h/.wine', folder='C:\\RO', layout='portable', state='Failed', cause='no-permission: x')]
        lines = self.lines({
            'gone': dict(unreachable=True, msg='ssh: connect refused \n'),
            'later': None,
            'noprog': dict(failed=True, msg='Failed to find required executable copyloom', rows=[]),
            'vps': dict(rows=rows, kit_version='1.4.0.7', msg='one row failed'),
        })
        got = [(l['host'], l['state'], l.get('kit_version', ''), l.get('files_changed', ''), l['cause']) for l in lines]
        self.assertEqual(got, [
            ('gone', 'unreachable', '', '', 'ssh: connect refused'),
            ('later', 'no result', '', '', 'the copier did not run here (the play stopped first, or an earlier task failed)'),
            ('noprog', 'failed', '', '', 'Failed to find required executable copyloom'),
            ('vps', 'Completed', '1.4.0.7', 2, ''),
            ('vps', 'Failed', '', 0, 'no-permission: x'),
        ])


if __name__ == '__main__':
    unittest.main()
