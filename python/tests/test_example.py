"""examples/python/fir_model.py: model, test vector, timing file, verification."""

import os
import subprocess
import sys

import numpy as np

import reportapp
from conftest import SOURCE_DIR

SCRIPT = SOURCE_DIR / "examples" / "python" / "fir_model.py"


def run(*words):
    return subprocess.run([sys.executable, str(SCRIPT), *map(str, words)], capture_output=True,
                          text=True, env=dict(os.environ))


def test_the_fir_model_agrees_with_its_integer_datapath(tmp_path):
    done = run(tmp_path)
    assert done.returncode == 0, done.stdout + done.stderr
    assert "pass, 400 values, 0 disagreeing, latency 4" in done.stdout
    vector = (tmp_path / "FixedPointM" / "Korvel_TestVector_1.txt").read_text().splitlines()
    assert vector[0] == "%fixed saturate nearest [16 15]" and len(vector) == 401
    timing = reportapp.read_timing(tmp_path / "timing" / "kv_timing_Korvel_TestVector_1.txt")
    assert timing["agree"].all() and len(timing["time"]) == 400
    q = reportapp.Quantizer.from_header(vector[0])
    # The vector's values are the model's codes, the timing file's model column too.
    assert np.array_equal(q.from_hex([v for v in vector[1:]]), q.from_hex(timing["model"][:, 0]))
    assert (tmp_path / "Reports" / "kv_timing_Korvel_TestVector_1_rtl.htm").exists()


def test_a_datapath_fault_is_found(tmp_path):
    done = run(tmp_path, "--fault")
    assert done.returncode == 1, done.stdout + done.stderr
    assert "fail" in done.stdout and " 0 disagreeing" not in done.stdout
