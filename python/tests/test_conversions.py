"""reportapp.hex_to_real and reportapp.num_to_bin against the C++ functions."""

import numpy as np
import pytest

import reportapp
from conftest import same_bits

TOKENS = ["0x0018", "0X0018", "0018", "ffff", "fffffffffffffff8", "1fffffffffffffff8", "",
          "0x", "7fff", "8000", "zz", "0xabcdef0123456789", "1", "F"]


@pytest.mark.parametrize("fraction_length", [0, 4, 15, 63, 64, -3, 200])
@pytest.mark.parametrize("signed", [True, False])
def test_hex_to_real_agrees_with_the_cpp_function(reference, fraction_length, signed):
    got = reportapp.hex_to_real(TOKENS, fraction_length, signed)
    assert same_bits(got, reference.hex_to_real(TOKENS, fraction_length, signed))


def test_hex_to_real_reads_patterns_as_the_report_does():
    assert reportapp.hex_to_real("0x0018", 4, True) == 1.5
    assert reportapp.hex_to_real("0X0018", 4, False) == 61441.5
    assert reportapp.hex_to_real("fffffffffffffff8", 4, True) == -0.5
    assert reportapp.hex_to_real("ffff", 0, True) == 65535.0  # shorter than 16 digits
    got = reportapp.hex_to_real(np.array([["0x0018", "0x0010"]]), 4, True)
    assert got.shape == (1, 2) and list(got[0]) == [1.5, 1.0]
    with pytest.raises(TypeError, match="str tokens"):
        reportapp.hex_to_real([24], 4, True)


@pytest.mark.parametrize("wl,fl", [(8, 0), (8, 4), (16, 15), (5, 5), (1, 0), (53, 20)])
def test_num_to_bin_agrees_with_the_cpp_function(reference, wl, fl):
    lsb = 2.0 ** -fl
    values = np.array([0.0, lsb, -lsb, 1.5 * lsb, 2.0 ** (wl - fl - 1) - lsb,
                       -(2.0 ** (wl - fl - 1)), 0.3, -0.3, 0.7 * 2.0 ** (wl - fl - 2)])
    expected = reference.num_to_bin(values, wl - fl - 1, fl) if wl > fl else None
    for i, x in enumerate(values):
        if wl > fl:
            want = expected[i]
            if want.startswith("error: "):
                with pytest.raises(ValueError, match=want[len("error: "):]):
                    reportapp.num_to_bin(float(x), wl, fl, True)
            else:
                assert reportapp.num_to_bin(float(x), wl, fl, True) == want
                assert len(want) == wl


def test_num_to_bin_words_and_errors():
    assert reportapp.num_to_bin(2.5, 4, 1, True) == "0101"
    assert reportapp.num_to_bin(-1.0, 4, 1, True) == "1110"
    assert reportapp.num_to_bin(2.5, 4, 1, False) == "0101"
    assert reportapp.num_to_bin(15.5, 5, 1, False) == "11111"
    assert list(reportapp.num_to_bin(np.array([0.25, -0.25]), 3, 2, True)) == ["001", "111"]
    with pytest.raises(ValueError, match=r"^Invalid value sent to num2bin \(5\.0 in 4 bits"):
        reportapp.num_to_bin(5.0, 4, 1, True)
    with pytest.raises(ValueError, match="Invalid value sent to num2bin"):
        reportapp.num_to_bin(float("inf"), 8, 0, True)
    with pytest.raises(ValueError, match="negative value -1.0 has no unsigned bits"):
        reportapp.num_to_bin(-1.0, 8, 0, False)
    with pytest.raises(ValueError, match="fraction_length"):
        reportapp.num_to_bin(1.0, 8, 8, True)
