# The module's report of failed rows, from copyloom --json output as it gives it.

from __future__ import absolute_import, division, print_function
__metaclass__ = type

import importlib.util
import os
import hashlib
import sys
import tempfile
import types
import unittest

try:
    import ansible.module_utils.basic  # noqa: F401
except ImportError:
    # Only the pure functions are tested: no Ansible needed to load the file.
    for name in ('ansible', 'ansible.module_utils', 'ansible.module_utils.basic'):
        sys.modules.setdefault(name, types.ModuleType(name))
    sys.modules['ansible.module_utils.basic'].AnsibleModule = object

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, '..', '..', '..', '..', 'plugins', 'modules', 'terminals.py')
loader_of = importlib.util.spec_from_file_location('terminals', SOURCE)
terminals = importlib.util.module_from_spec(loader_of)
loader_of.loader.exec_module(terminals)

HELD = 'Failed#Please close all the MetaTrader Terminals,and then try again!#experts\\x.ex4'
READ_ONLY_ROW = {'folder': 'C:\\MT4', 'state': 'Failed - No permission to write C:\\MT4\\experts\\x.ex4',
                 'error': {'kind': 'read-only', 'path': 'C:\\MT4\\experts\\x.ex4',
                           'system': 'Read-only file system'}}


class FailureTextTest(unittest.TestCase):
    def test_each_failed_terminal_is_named_once_with_its_cause(self):
        run = {'prefix': '/p', 'exit': 1, 'messages': [READ_ONLY_ROW['state']],
               'rows': [READ_ONLY_ROW, {'folder': 'C:\\Other', 'state': 'Completed'},
                        {'folder': 'C:\\Untouched', 'state': ''}]}
        text = terminals.failure_text([run], 'present', False)
        self.assertEqual(text.count('C:\\MT4:'), 1)
        self.assertIn('read-only, C:\\MT4\\experts\\x.ex4: Read-only file system', text)
        self.assertEqual(text.count('No permission'), 1)
        self.assertNotIn('Untouched', text)
        # The rows are returned as copyloom gave them, error included.
        self.assertEqual(terminals.flat_rows([run])[0]['error'], READ_ONLY_ROW['error'])

    def test_window_separators_and_prefix_headings_leave_no_stray_marks(self):
        # An older copyloom: '#' in the summary and in the state, and a cause text.
        runs = [{'prefix': '/a', 'exit': 1, 'messages': [HELD + '#Nothing in the terminal was changed'],
                 'rows': [{'folder': 'C:\\MT4', 'state': HELD, 'cause': 'held'}]},
                {'prefix': '/b', 'exit': 1, 'messages': ['cannot read the kit'], 'rows': []},
                {'prefix': '/c', 'exit': 0, 'messages': ['fine'], 'rows': []}]
        text = terminals.failure_text(runs, 'present', True)
        self.assertNotIn('#', text)
        self.assertNotIn(':;', text)
        self.assertEqual(text.count('Please close'), 1)
        self.assertEqual(text, '/a (exit 1): C:\\MT4: Failed - Please close all the MetaTrader '
                               'Terminals,and then try again! - experts\\x.ex4 (held); '
                               '/b (exit 1): cannot read the kit')

    def test_a_row_without_error_or_cause_has_no_empty_brackets(self):
        self.assertEqual(terminals.row_text({'folder': 'C:\\MT4', 'state': 'Failed#Unknown Error'}),
                         'C:\\MT4: Failed - Unknown Error')
        self.assertEqual(terminals.row_cause({'error': {'kind': 'no-space'}}), 'no-space')


class UndeliveredTest(unittest.TestCase):
    """The role delivers only what this says is missing, so a wrong answer either skips a delivery
    (the host runs an old program) or repeats it on every run."""

    class Module(object):
        def sha1(self, path):
            with open(path, 'rb') as f:
                return hashlib.sha1(f.read()).hexdigest()

    def test_each_expectation(self):
        with tempfile.TemporaryDirectory() as home:
            program = os.path.join(home, 'copyloom')
            with open(program, 'wb') as f:
                f.write(b'program')
            good = hashlib.sha1(b'program').hexdigest()
            os.environ['HOME'] = home
            cases = [
                ([], []),
                ([{'what': 'program', 'path': program, 'checksum': good}], []),
                ([{'what': 'program', 'path': '~/copyloom', 'checksum': good}], []),
                ([{'what': 'program', 'path': program, 'checksum': '0' * 40}], ['program']),
                ([{'what': 'kit', 'path': '~/kit/vlcpy.tag', 'checksum': ''}], ['kit']),
                ([{'what': 'kit', 'path': home, 'checksum': ''}], ['kit']),  # a folder is no tag file
                ([{'what': 'program', 'path': '/nowhere/deb'}, {'what': 'program', 'path': '/nowhere/bin'},
                  {'what': 'kit', 'path': program}], ['program']),
            ]
            for expect, missing in cases:
                self.assertEqual(terminals.undelivered(self.Module(), expect), missing, expect)


if __name__ == '__main__':
    unittest.main()
