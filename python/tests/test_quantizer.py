"""reportapp.Quantizer against the C++ quantizer of the same build."""

import itertools
import sys
import threading

import numpy as np
import pytest

import reportapp
from conftest import same_bits

ROUNDS = ["floor", "ceil", "fix", "round", "nearest", "convergent"]
OVERFLOWS = ["wrap", "saturate"]


def formats():
    """(mode, WL, FL) for word lengths 1 to 64 and fraction lengths from 0 to the
    word length, as far as each type allows."""
    for wl in range(1, 65):
        for fl in sorted({0, 1, wl // 2, wl - 1, wl}):
            for mode in ("fixed", "ufixed"):
                if 0 <= fl <= wl and not (mode == "fixed" and fl >= wl):
                    yield mode, wl, fl


def probe_values(wl, fl, signed):
    """Ties of each kind, their neighbours, the limits and past them, zeros,
    NaN, infinities, tiny and huge values, and a few random ones."""
    lsb = 2.0 ** -fl
    top = 2.0 ** (wl - fl - (1 if signed else 0))
    k = np.array([0, 1, 2, 3, 7, -1, -2, -3, -8], dtype=np.float64)
    ties = (k + 0.5) * lsb
    limits = np.array([top - lsb, top, top - lsb / 2, top + lsb, -top, -top - lsb / 2,
                       -top - lsb, 2 * top, -2 * top, 3.5 * top, -3.5 * top])
    special = np.array([0.0, -0.0, np.nan, np.inf, -np.inf, 5e-324, -5e-324, 1e-300,
                        1e300, -1e300, sys.float_info.max, -sys.float_info.max])
    base = np.concatenate([ties, limits, k * lsb])
    neighbours = np.concatenate([np.nextafter(base, np.inf), np.nextafter(base, -np.inf)])
    rng = np.random.default_rng(wl * 100 + fl)
    random = rng.uniform(-1.5 * top, 1.5 * top, 16)
    return np.concatenate([base, neighbours, special, random])


def header(mode, rnd, ovf, wl, fl):
    return f"{mode} {ovf} {rnd} [{wl} {fl}]"


@pytest.mark.parametrize("rnd,ovf", list(itertools.product(ROUNDS, OVERFLOWS)))
def test_every_format_agrees_with_the_cpp_quantizer(reference, rnd, ovf):
    cases = list(formats())
    values = {(m, wl, fl): probe_values(wl, fl, m == "fixed") for m, wl, fl in cases}
    # One reference run per mode pair: every format over the union of values.
    union = np.unique(np.concatenate(list(values.values())).view(np.int64)).view(np.float64)
    expected = reference.quantize(union, [header(m, rnd, ovf, wl, fl) for m, wl, fl in cases])
    for row, (m, wl, fl) in enumerate(cases):
        q = reportapp.Quantizer(m, rnd, ovf, wl, fl)
        got = q.quantize(union)
        if not same_bits(got, expected[row]):
            bad = np.flatnonzero(~((got.view(np.int64) == expected[row].view(np.int64))
                                   | (np.isnan(got) & np.isnan(expected[row]))))
            i = bad[0]
            pytest.fail(f"{header(m, rnd, ovf, wl, fl)}: x={union[i]!r} python={got[i]!r} "
                        f"c++={expected[row][i]!r} ({len(bad)} values differ)")


def test_python_floats_take_the_same_path(reference):
    q = reportapp.Quantizer("fixed", "convergent", "wrap", 8, 3)
    values = probe_values(8, 3, True)
    expected = reference.quantize(values, [q.header()])[0]
    got = np.array([q.quantize(float(x)) for x in values])
    assert same_bits(got, expected)
    assert isinstance(q.quantize(0.3), float) and isinstance(q.quantize(2), float)


def test_shapes_and_strides_keep_shape_and_values():
    q = reportapp.Quantizer("fixed", "nearest", "saturate", 12, 7)
    rng = np.random.default_rng(1)
    base = rng.uniform(-20, 20, (6, 5000, 3))
    flat = q.quantize(base.ravel()).reshape(base.shape)
    views = [base[:, ::3, 1], base[::-2, 10:4000:7, :], base.transpose(2, 0, 1),
             np.asfortranarray(base), base[0, 0, 0:1], base.reshape(-1)[::5]]
    originals = [flat[:, ::3, 1], flat[::-2, 10:4000:7, :], flat.transpose(2, 0, 1),
                 flat, flat[0, 0, 0:1], flat.reshape(-1)[::5]]
    for view, want in zip(views, originals):
        got = q.quantize(view)
        assert got.shape == view.shape
        assert same_bits(got, want)
    scalar_array = q.quantize(np.array(3.14159))
    assert scalar_array.shape == () and scalar_array == q.quantize(3.14159)
    assert q.quantize(np.empty((0, 4))).shape == (0, 4)


def test_out_writes_in_place_and_into_other_arrays():
    q = reportapp.Quantizer("fixed", "floor", "wrap", 8, 4)
    x = np.linspace(-20, 20, 1001)
    expected = q.quantize(x)
    y = x.copy()
    assert q.quantize(y, out=y) is y
    assert same_bits(y, expected)
    target = np.zeros((2, 1001))
    q.quantize(x, out=target[1])
    assert same_bits(target[1], expected) and not target[0].any()
    strided = x.copy()[::2]
    assert same_bits(q.quantize(strided, out=strided), expected[::2])


def test_out_mistakes_are_errors():
    q = reportapp.Quantizer()
    x = np.zeros(10)
    with pytest.raises(ValueError, match="shape"):
        q.quantize(x, out=np.zeros(9))
    with pytest.raises(TypeError, match="float64"):
        q.quantize(x, out=np.zeros(10, dtype=np.float32))
    with pytest.raises(ValueError, match="overlaps"):
        q.quantize(x[:-1], out=x[1:])
    readonly = np.zeros(10)
    readonly.flags.writeable = False
    with pytest.raises(ValueError, match="read-only"):
        q.quantize(x, out=readonly)


@pytest.mark.parametrize("bad", [np.zeros(3, dtype=np.float32), np.arange(3), [0.5, 0.25],
                                 np.zeros(3, dtype=">f8"), "0.5", True])
def test_other_types_are_type_errors_naming_them(bad):
    with pytest.raises(TypeError, match="float64"):
        reportapp.Quantizer().quantize(bad)


def test_overflow_and_underflow_counts_until_reset():
    q = reportapp.Quantizer("fixed", "floor", "saturate", 8, 0)
    x = np.array([127.9, 128.0, -128.0, -128.5, 300, np.inf, np.nan, 0.0, 0.5, -0.5, 5.0])
    q.quantize(x)
    # floor: 128.0, -128.5 (rounds to -129), 300 and inf leave the range;
    # 127.9 floors to 127 and stays. 0.5 floors to 0: an underflow.
    assert (q.overflows, q.underflows) == (4, 1)
    q.quantize(x[::-1].copy())
    assert (q.overflows, q.underflows) == (8, 2)
    q.reset()
    assert (q.overflows, q.underflows) == (0, 0)
    q.quantize(1000.0)
    assert q.overflows == 1
    # A wrap to zero is an overflow; a tiny negative value rounded up to zero
    # in an unsigned format is an underflow.
    w = reportapp.Quantizer("fixed", "floor", "wrap", 4, 0)
    w.quantize(np.array([16.0, 8.0, -0.5]))
    assert (w.overflows, w.underflows) == (2, 0)
    u = reportapp.Quantizer("ufixed", "ceil", "saturate", 8, 4)
    u.quantize(np.array([-0.01, 0.01, -5.0]))
    assert (u.overflows, u.underflows) == (1, 1)


def test_counts_agree_with_a_direct_model_on_random_data():
    q = reportapp.Quantizer("fixed", "nearest", "wrap", 10, 6)
    x = np.random.default_rng(7).normal(0, 6, 200_000)
    q.quantize(x)
    rounded = np.floor(x * 64 + 0.5) / 64
    assert q.overflows == np.count_nonzero((rounded > q.max_value) | (rounded < q.min_value))
    assert q.underflows == np.count_nonzero((x != 0) & (rounded == 0))


def test_words_lengths_and_header():
    q = reportapp.Quantizer(mode="ufixed", round="convergent", overflow="wrap",
                            word_length=12, fraction_length=4)
    assert (q.mode, q.round, q.overflow, q.word_length, q.fraction_length) == \
        ("ufixed", "convergent", "wrap", 12, 4)
    assert q.header() == "ufixed wrap convergent [12 4]"
    assert (q.min_value, q.max_value) == (0.0, 256 - 1 / 16)
    again = reportapp.Quantizer.from_header("%" + q.header())
    assert again.header() == q.header()
    assert reportapp.Quantizer.from_header("fixed saturate nearest [16 15]").round == "nearest"
    assert repr(q) == 'Quantizer.from_header("ufixed wrap convergent [12 4]")'


def test_errors_carry_the_products_texts():
    with pytest.raises(ValueError, match=r'^Unrecognised quantizer word "Fixed"\.$'):
        reportapp.Quantizer(mode="Fixed")
    with pytest.raises(ValueError, match=r'^Invalid quantizer "fixed floor saturate \{8 8\}"'):
        reportapp.Quantizer(word_length=8, fraction_length=8)
    with pytest.raises(ValueError, match="Invalid quantizer"):
        reportapp.Quantizer(word_length=8, fraction_length=-1)
    with pytest.raises(ValueError, match=r'^bad round mode "wrap": must be floor'):
        reportapp.Quantizer(round="wrap")
    with pytest.raises(ValueError, match="bad quantizer header"):
        reportapp.Quantizer.from_header("fixed [16 15]")
    with pytest.raises(ValueError, match='Unrecognised quantizer word "nearst"'):
        reportapp.Quantizer.from_header("fixed saturate nearst [16 15]")


@pytest.mark.parametrize("mode,wl,fl", [("fixed", 16, 15), ("ufixed", 12, 4), ("fixed", 1, 0),
                                         ("fixed", 64, 10), ("ufixed", 64, 0), ("ufixed", 5, 5)])
def test_codes_and_hex_round_trip(mode, wl, fl):
    q = reportapp.Quantizer(mode, "nearest", "saturate", wl, fl)
    x = np.random.default_rng(wl).uniform(q.min_value * 1.2 - 1, q.max_value * 1.2 + 1, 500)
    x = np.concatenate([x, [q.min_value, q.max_value, 0.0]])
    values = q.quantize(x)
    codes = q.to_codes(x)
    assert codes.dtype == (np.uint64 if (mode, wl) == ("ufixed", 64) else np.int64)
    assert same_bits(q.from_codes(codes), values)
    tokens = q.to_hex(codes)
    assert all(len(t) == (wl + 3) // 4 and t == t.lower() for t in tokens)
    assert np.array_equal(q.from_hex(tokens), codes)
    assert np.array_equal(q.from_hex(["0x" + t.upper() for t in tokens]), codes)


def test_codes_of_single_values_and_their_limits():
    q = reportapp.Quantizer("fixed", "floor", "saturate", 12, 4)
    assert q.to_codes(-128.0) == -2048 and q.to_codes(1e9) == 2047 and q.to_codes(1.5) == 24
    assert q.to_hex(-1) == "fff" and q.to_hex(24) == "018" and q.from_hex("800") == -2048
    assert q.from_codes(-2048) == -128.0
    assert list(q.to_hex([-2048, 2047])) == ["800", "7ff"]
    with pytest.raises(ValueError, match="the code 2048 at index 1 is outside the 12-bit signed"):
        q.to_hex([0, 2048])
    with pytest.raises(ValueError, match=r'token "1000" at index \(0, 1\)'):
        q.from_hex([["000", "1000"]])
    with pytest.raises(ValueError, match="not a 12-bit hexadecimal code"):
        q.from_hex("xyz")
    with pytest.raises(TypeError, match="integer codes"):
        q.to_hex([0.5])
    wrap = reportapp.Quantizer("fixed", "floor", "wrap", 8, 0)
    with pytest.raises(ValueError, match="index 1 quantizes to nan"):
        wrap.to_codes(np.array([1.0, np.nan]))


def test_threads_quantize_at_once_with_their_own_quantizers():
    x = np.random.default_rng(3).uniform(-2, 2, 300_000)
    want = {r: reportapp.Quantizer("fixed", r, "wrap", 16, 14).quantize(x) for r in ROUNDS}
    got = {}

    def work(r):
        got[r] = reportapp.Quantizer("fixed", r, "wrap", 16, 14).quantize(x)

    threads = [threading.Thread(target=work, args=(r,)) for r in ROUNDS]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert all(same_bits(got[r], want[r]) for r in ROUNDS)


def test_help_and_docstrings_explain_the_api():
    text = reportapp.Quantizer.__doc__
    assert "convergent" in text and "saturate" in text
    assert "float64" in reportapp.Quantizer.quantize.__doc__
    assert "two's complement" in reportapp.Quantizer.to_hex.__doc__
    assert reportapp.TimingWriter.__doc__ and reportapp.verify.__doc__
