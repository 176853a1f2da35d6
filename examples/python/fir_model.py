#!/usr/bin/python3
"""A fixed-point FIR filter modelled in NumPy, checked the way the flow checks RTL.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/fir_model.py [PROJECT] [--fault]

1. The model: a 16-tap low-pass FIR whose input, coefficients and output are
   quantized with reportapp.Quantizer to fixed saturate nearest [16 15], as the
   hardware holds them. Its output codes go into the test vector
   PROJECT/FixedPointM/Korvel_TestVector_1.txt, under the quantizer's header line.
2. The "RTL": the same filter as the hardware computes it, on integer codes (a
   wide accumulator, then round half up and saturate). With --fault it
   truncates instead of rounding, as a datapath that lost its rounding constant.
3. Both go into the timing file PROJECT/timing/kv_timing_Korvel_TestVector_1.txt,
   written with reportapp.TimingWriter as a testbench writes it (a 10 ns clock,
   a pipeline latency of 4 clocks, one output per clock).
4. reportapp.verify writes the report and returns the run's JSON document.

Exit status 0 when every output agrees, 1 otherwise.
"""

import os
import sys

import numpy as np

import reportapp

TAPS = 16
SAMPLES = 400
CLOCK_NS = 10
LATENCY = 4


def model(x, q):
    """Floating-point FIR on quantized input and coefficients, quantized output."""
    h = q.quantize(np.hanning(TAPS + 2)[1:-1] / np.hanning(TAPS + 2).sum() * 0.98)
    xq = q.quantize(x)
    # Every product of two 16-bit values and their sum are exact in float64.
    y = np.convolve(xq, h)[: len(x)]
    return q.quantize(y), q.to_codes(h), q.to_codes(xq)


def rtl(x_codes, h_codes, fault):
    """The filter on integer codes: accumulate, round half up, saturate."""
    acc = np.convolve(x_codes.astype(np.int64), h_codes.astype(np.int64))[: len(x_codes)]
    rounding = 0 if fault else 1 << 14
    y = (acc + rounding) >> 15
    return np.clip(y, -(1 << 15), (1 << 15) - 1)


def main(argv):
    fault = "--fault" in argv
    words = [a for a in argv if a != "--fault"]
    project = os.path.abspath(words[0] if words else "fir_project")
    for folder in ("FixedPointM", "timing", "Reports"):
        os.makedirs(os.path.join(project, folder), exist_ok=True)

    q = reportapp.Quantizer("fixed", "nearest", "saturate", 16, 15)
    t = np.arange(SAMPLES)
    x = 0.6 * np.sin(2 * np.pi * t / 50) + 0.3 * np.sin(2 * np.pi * t / 3.1)
    y, h_codes, x_codes = model(x, q)
    model_codes = q.to_codes(y)
    rtl_codes = rtl(x_codes, h_codes, fault)

    vector = os.path.join(project, "FixedPointM", "Korvel_TestVector_1.txt")
    with open(vector, "w") as f:
        f.write("%" + q.header() + "\n")
        f.writelines("0x" + token + "\n" for token in q.to_hex(model_codes))

    timing = os.path.join(project, "timing", "kv_timing_Korvel_TestVector_1.txt")
    with reportapp.TimingWriter(timing, channels=1, word_length=q.word_length) as w:
        w.start(2 * CLOCK_NS)
        w.tick(LATENCY)
        for n in range(SAMPLES):
            w.output((2 + LATENCY + n) * CLOCK_NS, [model_codes[n]], [rtl_codes[n]])
            w.tick()

    result = reportapp.verify([timing], project=project, jobs=1, real_values=True)
    file = result["files"][0]
    print(f"{file['timingFile']}: {file['status']}, {file['values']} values, "
          f"{file['disagreeing']} disagreeing, latency {file['latency']}")
    print(f"report: {file['report']}")
    print(f"overflows {q.overflows}, underflows {q.underflows}")
    return 0 if file["status"] == "pass" else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
