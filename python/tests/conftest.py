"""Shared fixtures: the C++ reference program of the same build, and the paths
of the source tree."""

import os
import pathlib
import subprocess

import numpy as np
import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("REPORTAPP_SOURCE_DIR",
                                         pathlib.Path(__file__).resolve().parents[2]))


class Reference:
    """The product's functions called from C++ one value at a time."""

    def __init__(self, program, folder):
        self.program = program
        self.folder = folder

    def _run(self, *words):
        done = subprocess.run([self.program, *map(str, words)], capture_output=True, text=True)
        assert done.returncode == 0, done.stderr

    def quantize(self, values, headers):
        """CQuantizer::Quantize of every value through every header: (headers, values)."""
        src, dst = self.folder / "in.bin", self.folder / "out.bin"
        np.ascontiguousarray(values, dtype=np.float64).tofile(src)
        self._run("quantize", src, dst, *headers)
        return np.fromfile(dst, dtype=np.float64).reshape(len(headers), len(values))

    def hex_to_real(self, tokens, fraction_length, signed):
        src, dst = self.folder / "tokens.txt", self.folder / "out.bin"
        src.write_text("".join(t + "\n" for t in tokens))
        self._run("hex_to_real", fraction_length, int(signed), src, dst)
        return np.fromfile(dst, dtype=np.float64)

    def num_to_bin(self, values, integer_bits, fraction_bits):
        src, dst = self.folder / "in.bin", self.folder / "digits.txt"
        np.asarray(values, dtype=np.float64).tofile(src)
        self._run("num_to_bin", integer_bits, fraction_bits, src, dst)
        return dst.read_text().splitlines()


@pytest.fixture(scope="session")
def reference(tmp_path_factory):
    program = os.environ.get("REPORTAPP_REFERENCE")
    if not program:
        pytest.fail("REPORTAPP_REFERENCE must name the quantize_reference program "
                    "(ctest sets it)")
    return Reference(program, tmp_path_factory.mktemp("reference"))


def same_bits(a, b):
    """Equal bit for bit, NaN equal to NaN (its payload aside)."""
    a = np.asarray(a, dtype=np.float64)
    b = np.asarray(b, dtype=np.float64)
    both_nan = np.isnan(a) & np.isnan(b)
    return a.shape == b.shape and bool(np.all(both_nan | (a.view(np.int64) == b.view(np.int64))))
