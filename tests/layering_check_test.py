#!/usr/bin/env python3
"""The include-layering check on small trees: each planted wrong include is
reported on its own line with exit 1; a tree that keeps the layers passes."""

import contextlib
import io
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest
from unittest import mock

HERE = pathlib.Path(__file__).resolve().parent
SCRIPT = HERE / "layering_check.py"
sys.path.insert(0, str(HERE))
import layering_check  # noqa: E402

# A tree that keeps every rule, with the allowed shapes of includes: a bare
# name (same folder), a relative path, a client on net/, a subfolder of a
# plain folder, Qt outside the core.
CLEAN = {
    "base/log.h": "#include <string>\n",
    "formats/asf.h": '#include "base/log.h"\n#include "tables.inc"\n',
    "formats/tables.inc": '#include "../base/log.h"\n',
    "medialist/list.hpp": '#include "formats/asf.h"\n',
    "protocols/client.h": '#include "formats/asf.h"\n',
    "protocols/net/tcp.h": '#include "protocols/client.h"\n',
    "protocols/mmsh/mmsh.h": '#include "protocols/net/tcp.h"\n',
    "protocols/mmsh/mmsh.cpp": '#include "mmsh.h"\n',
    "record/job.h": '#include "protocols/mmsh/mmsh.h"\n#include "medialist/list.hpp"\n',
    "capture/helper/main.cc": '#include "medialist/list.hpp"\n',
    "tools/cut.cpp": '#include "formats/asf.h"\n',
    "schedule/slot.h": '#include "protocols/net/tcp.h"\n',
    "xdg/reg.h": '#include "base/log.h"\n',
    "qtprofile/ini.h": "#include <QSettings>\n",
    "player/player.h": '#include <QWidget>\n#include "record/job.h"\n#include "qtprofile/ini.h"\n',
    "ui/view.h": '#include "player/player.h"\n#include "xdg/reg.h"\n',
    "app/main.cpp": '#include "ui/view.h"\n#include "../xdg/reg.h"\n',
    "cli/main.cpp": '#include "record/job.h"\n#include "schedule/slot.h"\n',
}

# (what is wrong, the planted file and its text, what the report names)
PLANTED = [
    ("core includes xdg", "record/bad.cpp", '#include "xdg/reg.h"\n', "record/bad.cpp:1:"),
    ("ui includes cli", "ui/bad.cpp", '\n#include "cli/opts.h"\n', "ui/bad.cpp:2:"),
    ("player includes ui", "player/bad.cpp", '#include "ui/view.h"\n', "player/bad.cpp:1:"),
    ("capture includes record", "capture/bad.cpp", '#include "record/job.h"\n', "capture/bad.cpp:1:"),
    ("tools include protocols", "tools/bad.cpp", '#include "protocols/net/tcp.h"\n', "tools/bad.cpp:1:"),
    ("relative include upwards", "player/bad.h", '#include "../ui/x.h"\n',
     "player/bad.h:1: player/ may not include ui/"),
    ("an include of a .hpp", "formats/bad.cpp", '#include "medialist/list.hpp"\n', "formats/bad.cpp:1:"),
    ("from the including folder", "protocols/bad.cpp", '#include "mmsh/mmsh.h"\n',
     "protocols/bad.cpp:1: protocols/ may not include protocols/mmsh/"),
    ("net includes a client", "protocols/net/bad.cpp", '#include "protocols/mmsh/mmsh.h"\n',
     "protocols/net/bad.cpp:1:"),
    ("Qt in the core", "record/bad.cpp", "#include <string>\n#  include <QString>\n", "record/bad.cpp:2:"),
    ("Qt in xdg", "xdg/bad.cpp", "#include <QtCore/QFile>\n", "xdg/bad.cpp:1:"),
    ("an .inc file is read", "base/bad.inc", '#include "formats/asf.h"\n', "base/bad.inc:1:"),
    ("outside the tree", "base/bad.h", '#include "../../secret.h"\n', "base/bad.h:1:"),
    ("unknown folder", "gadgets/x.cpp", '#include "base/log.h"\n', "gadgets"),
    ("unknown subfolder of a split folder", "protocols/ftp/x.h", "", "protocols/ftp"),
    ("headers in a circle", "record/loop.h", '#include "record/job.h"\n#include "record/loop2.h"\n'
     '// record/loop2.h\n#include "loop.h"\n', "record/loop.h:2:"),
]


def run(tree, as_program=False):
    """Writes the tree and checks it (as a child process, or in this one);
    returns the exit code and the report with the tree's folder cut off."""
    with tempfile.TemporaryDirectory() as tmp:
        for name, text in tree.items():
            path = pathlib.Path(tmp, name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        if as_program:
            done = subprocess.run([sys.executable, str(SCRIPT), tmp], capture_output=True,
                                  text=True, timeout=20)
            code, out = done.returncode, done.stdout
        else:
            out = io.StringIO()
            with mock.patch.object(sys, "argv", ["layering_check.py", tmp]), \
                    contextlib.redirect_stdout(out):
                code = layering_check.main()
            out = out.getvalue()
        return code, out.replace(tmp + "/", "")


class LayeringCheckTest(unittest.TestCase):
    def test_program_exit_codes(self):
        self.assertEqual(run(CLEAN, as_program=True), (0, ""))
        code, out = run(dict(CLEAN, **{"ui/bad.cpp": '#include "cli/opts.h"\n'}), as_program=True)
        self.assertEqual((code, out.count("\n")), (1, 1), out)

    def test_each_wrong_include_is_reported(self):
        for what, name, text, reported in PLANTED:
            with self.subTest(what):
                # A planted text may hold further files, each after a
                # "// name" line.
                parts = re.split(r"^// (\S+)\n", text, flags=re.M)
                tree = dict(CLEAN, **{name: parts[0]}, **dict(zip(parts[1::2], parts[2::2])))
                code, out = run(tree)
                self.assertEqual(code, 1, out)
                lines = out.splitlines()
                self.assertEqual(len(lines), 1, out)
                self.assertTrue(lines[0].startswith(reported), out)

    def test_table_is_a_hierarchy(self):
        # Every arrow names a folder of the table, and the arrows never lead
        # back to where they started.
        seen = set()

        def place(folder, path):
            self.assertNotIn(folder, path, f"the layers turn back at {folder}")
            if folder not in seen:
                for lower in layering_check.LAYERS[folder]:
                    self.assertIn(lower, layering_check.LAYERS)
                    place(lower, path + [folder])
                seen.add(folder)

        for folder in layering_check.LAYERS:
            place(folder, [])


if __name__ == "__main__":
    unittest.main()
