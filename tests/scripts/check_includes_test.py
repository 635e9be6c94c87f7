#!/usr/bin/env python3
"""The include check on small checkouts of its own: one that keeps the server's layers passes, and
each way of breaking them fails, naming the file."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check_includes.py")

# A server whose includes run one way: commands -> net -> rpc -> object -> storage.
LAYERED = {
    "appserver/CMakeLists.txt": "",
    "appserver/main.cpp": '#include "appserver/commands/Serve.h"\n',
    "appserver/storage/Db.h": "",
    "appserver/object/Obj.h": '#include "appserver/storage/Db.h"\n',
    "appserver/rpc/Dispatch.h": '#include "appserver/object/Obj.h"\n#include "appserver/storage/Db.h"\n',
    "appserver/net/Conn.h": '#include "appserver/rpc/Dispatch.h"\n',
    "appserver/commands/Serve.h": '#include "appserver/net/Conn.h"\n',
}

# (what breaks the layers, files added to LAYERED, what the report names)
BROKEN = [
    ("storage includes object", {"appserver/storage/Db.cpp": '#include "appserver/object/Obj.h"\n'},
     "storage may not include object"),
    ("object includes rpc", {"appserver/object/Obj.cpp": '#include "appserver/rpc/Dispatch.h"\n'},
     "object may not include rpc"),
    ("rpc includes net", {"appserver/rpc/Dispatch.cpp": '#include "appserver/net/Conn.h"\n'},
     "rpc may not include net"),
    ("net includes commands", {"appserver/net/Conn.cpp": '#include "appserver/commands/Serve.h"\n'},
     "net may not include commands"),
    ("a source file at the top", {"appserver/Helper.cpp": ""}, "appserver/Helper.cpp belongs in"),
    ("a folder that is no layer", {"appserver/misc/Thing.h": ""}, "appserver/misc/ is no layer"),
]


def run_check(files):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w") as out:
                out.write(text)
        subprocess.run(["git", "init", "-q", root], check=True)
        done = subprocess.run([sys.executable, CHECK, "--root", root], capture_output=True, text=True)
        return done.returncode, done.stderr


class IncludeCheckTest(unittest.TestCase):
    def test_layers_running_one_way_pass(self):
        code, report = run_check(LAYERED)
        self.assertEqual(code, 0, report)

    def test_each_way_of_breaking_the_layers_fails(self):
        for name, added, named in BROKEN:
            with self.subTest(name):
                code, report = run_check({**LAYERED, **added})
                self.assertEqual(code, 1)
                self.assertIn(named, report)


if __name__ == "__main__":
    unittest.main()
