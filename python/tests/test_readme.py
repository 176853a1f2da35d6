"""The README's new-user path runs as written."""

import os
import re
import subprocess
import pathlib
import sys

import reportapp
from conftest import SOURCE_DIR


def test_the_readme_python_session_prints_pass(tmp_path):
    text = (SOURCE_DIR / "README.md").read_text()
    match = re.search(r"<<'PY'\n(.*?)\nPY\n", text, re.S)
    assert match, "README.md has no Python session"
    # The session runs in a folder of its own, with the package this test imports.
    env = dict(os.environ, PYTHONPATH=str(pathlib.Path(reportapp.__file__).resolve().parents[1]))
    done = subprocess.run([sys.executable, "-"], input=match.group(1), capture_output=True,
                          text=True, cwd=tmp_path, env=env)
    assert done.returncode == 0, done.stderr
    assert done.stdout.strip() == "pass"
    assert (tmp_path / "demo" / "Reports" / "kv_timing_Korvel_TestVector_1_rtl.htm").exists()
