#!/usr/bin/env python3
"""The layer check names every include that points up or sideways, and passes the rest."""
import pathlib
import subprocess
import sys
import tempfile
import unittest

CHECK = pathlib.Path(__file__).resolve().parents[2] / "cmake" / "check_layers.py"

# (file, include, allowed)
CASES = [
    ("report/a.cpp", "shell/about_text.h", False),
    ("network/a.cpp", "report/report_lines.h", False),
    ("ui/a.cpp", "shell/startup.h", False),
    ("network/a.cpp", "provider/kernel_facts.h", False),
    ("provider/a.cpp", "network/adapter_poll.h", False),
    ("presenter/a.cpp", "ui/form_main.h", False),
    ("provider/a.cpp", "network/iphlpapi_records.h", True),
    ("ui/a.cpp", "presenter/window_view.h", True),
    ("winui/a.cpp", "ui/markup/markup_parser.h", True),
    ("tools/a.cpp", "shell/startup.h", True),
    ("tests/a.cpp", "ui/form_main.h", True),
    ("report/a.cpp", "beside.h", True),
]


class LayerCheckTest(unittest.TestCase):
    def test_each_include_is_judged_by_its_folders_table(self):
        for file, include, ok in CASES:
            with self.subTest(file=file, include=include), tempfile.TemporaryDirectory() as root:
                path = pathlib.Path(root, file)
                path.parent.mkdir(parents=True)
                path.write_text(f'#include <vector>\n#include "{include}"\n')
                run = subprocess.run([sys.executable, str(CHECK), root], capture_output=True,
                                     text=True)
                self.assertEqual(run.returncode, 0 if ok else 1, run.stderr)
                if not ok:
                    self.assertIn(f'{file}: includes "{include}"', run.stderr)

    def test_the_project_itself_passes(self):
        run = subprocess.run([sys.executable, str(CHECK), str(CHECK.parents[1])],
                             capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)


if __name__ == "__main__":
    unittest.main()
