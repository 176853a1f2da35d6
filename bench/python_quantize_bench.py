#!/usr/bin/python3
"""reportapp.Quantizer.quantize beside a NumPy-vectorised reference and a Python loop.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_quantize_bench.py [--size N]
        [--loop-sample N] [--repeat N]

For fixed [16 15], every round mode, saturate and wrap: the values per second of
  ours    reportapp.Quantizer.quantize(x, out=y) on N float64 values (10 million)
  numpy   the same arithmetic written with np.floor/np.ceil/np.trunc/np.rint,
          np.clip and np.mod, checked bit for bit against ours
  loop    a per-element Python loop (math.floor and friends); it is timed on a
          sample (--loop-sample, 200,000 values) and its rate scaled, as the
          table says
and the ratios, beside the bars: ours >= 300 M values/s, >= 3x numpy, >= 50x the
loop. Best of --repeat runs (3), in CPU time of the process. "values" says whether
numpy and the loop give our values (NumPy's np.mod gives +0 where a wrapped
result keeps the sign of a negative zero; such values are counted apart). The input is uniform in [-1.25, 1.25], so a fifth
of the values overflow. The load average is printed before and after the table:
the machine's other work shows in the figures, less so in CPU time than it would
in wall-clock time.
"""

import argparse
import math
import os
import sys
import time

import numpy as np

import reportapp

WL, FL = 16, 15
ROUNDS = ["floor", "ceil", "fix", "round", "nearest", "convergent"]
OVERFLOWS = ["saturate", "wrap"]
BAR_RATE, BAR_NUMPY, BAR_LOOP = 300e6, 3.0, 50.0


def numpy_reference(x, rnd, ovf, out, scratch):
    """The quantizer's arithmetic in vectorised NumPy, into out."""
    scale = 2.0 ** FL
    if rnd in ("round", "nearest"):
        np.add(x, 2.0 ** -(FL + 1), out=scratch)  # half an LSB, then floor
        np.multiply(scratch, scale, out=scratch)
        np.floor(scratch, out=scratch)
    else:
        np.multiply(x, scale, out=scratch)
        {"floor": np.floor, "ceil": np.ceil, "fix": np.trunc,
         "convergent": np.rint}[rnd](scratch, out=scratch)
    if ovf == "saturate":
        np.clip(scratch, -(2.0 ** (WL - 1)), 2.0 ** (WL - 1) - 1, out=scratch)
    else:
        np.add(scratch, 2.0 ** (WL - 1), out=scratch)
        np.mod(scratch, 2.0 ** WL, out=scratch)
        np.subtract(scratch, 2.0 ** (WL - 1), out=scratch)
    np.multiply(scratch, 1.0 / scale, out=out)
    return out


def python_loop(values, rnd, ovf):
    """One value at a time in plain Python."""
    scale = 2.0 ** FL
    lo, hi = -(2 ** (WL - 1)), 2 ** (WL - 1) - 1
    modulus = 2 ** WL
    result = []
    for x in values:
        if rnd in ("round", "nearest"):
            c = math.floor((x + 2.0 ** -(FL + 1)) * scale)
        elif rnd == "floor":
            c = math.floor(x * scale)
        elif rnd == "ceil":
            c = math.ceil(x * scale)
        elif rnd == "fix":
            c = math.trunc(x * scale)
        else:
            c = round(x * scale)  # Python's round: ties to even
        if ovf == "saturate":
            c = min(max(c, lo), hi)
        else:
            c = (c - lo) % modulus + lo
        result.append(c / scale)
    return result


def best_time(fn, repeat):
    """The least CPU time of the process over repeat runs (all three contenders run
    on one thread, so a loaded machine does not distort the ratios)."""
    times = []
    for _ in range(repeat):
        start = time.process_time()
        fn()
        times.append(time.process_time() - start)
    return max(min(times), 1e-9)


def load_average():
    try:
        return " ".join(f"{x:.2f}" for x in os.getloadavg())
    except OSError:
        return "unknown"


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--size", type=int, default=10_000_000)
    parser.add_argument("--loop-sample", type=int, default=200_000)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args(argv)
    if args.size < 1 or args.loop_sample < 1 or args.repeat < 1:
        parser.error("--size, --loop-sample and --repeat must be at least 1")

    x = np.random.default_rng(2026).uniform(-1.25, 1.25, args.size)
    ours = np.empty_like(x)
    ref = np.empty_like(x)
    scratch = np.empty_like(x)
    sample = x[: min(args.loop_sample, args.size)].tolist()
    print(f"fixed [{WL} {FL}], {args.size:,} float64 values, best of {args.repeat}; "
          f"the loop timed on {len(sample):,} values and scaled; load average {load_average()}")
    print(f"{'mode':22} {'ours M/s':>9} {'numpy M/s':>10} {'x numpy':>8} {'loop M/s':>9} "
          f"{'x loop':>8}  {'values':>5}  bars (>= 300 M/s, >= 3x, >= 50x)")
    all_met = True
    for ovf in OVERFLOWS:
        for rnd in ROUNDS:
            q = reportapp.Quantizer("fixed", rnd, ovf, WL, FL)
            t_ours = best_time(lambda: q.quantize(x, out=ours), args.repeat)
            t_numpy = best_time(lambda: numpy_reference(x, rnd, ovf, ref, scratch), args.repeat)
            t_loop = best_time(lambda: python_loop(sample, rnd, ovf), 1)
            differing = int(np.count_nonzero(ours != ref))
            # NumPy's mod gives +0 where the quantizer keeps the sign of a zero.
            zero_signs = int(np.count_nonzero((ours == ref) & (np.signbit(ours) != np.signbit(ref))))
            loop_same = np.array_equal(np.array(python_loop(sample[:1000], rnd, ovf)),
                                       ours[:min(1000, len(sample))])
            rate = args.size / t_ours
            numpy_rate = args.size / t_numpy
            loop_rate = len(sample) / t_loop
            met = (rate >= BAR_RATE and rate / numpy_rate >= BAR_NUMPY
                   and rate / loop_rate >= BAR_LOOP)
            all_met = all_met and met
            bits = "same" if differing == 0 and loop_same else f"{differing} differ"
            if zero_signs and bits == "same":
                bits = f"same but {zero_signs} signs of 0"
            print(f"{rnd + ' ' + ovf:22} {rate / 1e6:9.0f} {numpy_rate / 1e6:10.0f} "
                  f"{rate / numpy_rate:8.1f} {loop_rate / 1e6:9.2f} {rate / loop_rate:8.0f}  "
                  f"{bits:>5}  {'met' if met else 'NOT met'}")
    print(f"load average {load_average()}")
    print("all bars met" if all_met else "some bars NOT met")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
