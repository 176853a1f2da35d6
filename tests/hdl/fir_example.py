#!/usr/bin/python3
"""Runs examples/fir/run.sh on one simulator, clean and with each fault.

    fir_example.py SIMULATOR SOURCE_DIR WORK_DIR REPORTAPP

SIMULATOR is one of run.sh's: icarus, verilator, ghdl or verilator-cpp (the
C++ testbench with the C++ writer).

Clean, reportapp verify must pass; each fault must fail, and when the run's
JSON carries a diagnosis, the class leading it must be the one the fault
produces: lsb for ties, overflow for wrap, unknown for noreset (a numeric
class under Verilator, whose random reset values are numbers). The build of
each simulator is made once and reused by the four runs. A simulator that is
not installed, or a reportapp shell without ::ReportApp::quantizer, skips the
test (exit 77) with a message saying so.
"""
import json
import os
import shutil
import subprocess
import sys

SKIP = 77
NUMERIC_CLASSES = {"lsb", "overflow", "sign", "scale", "numeric"}
CLASSES = NUMERIC_CLASSES | {"unknown", "unreadable", "textOnly"}


def expected_classes(simulator, fault):
    if fault == "ties":
        return {"lsb"}
    if fault == "wrap":
        return {"overflow"}
    return NUMERIC_CLASSES if simulator.startswith("verilator") else {"unknown"}


def leading_class(results):
    """The class with the most disagreeing values over the run's files, or
    None when the JSON has no diagnosis."""
    totals = {}
    seen = False
    for entry in results["files"]:
        diagnosis = entry.get("diagnosis")
        if not diagnosis:
            continue
        seen = True
        counts = diagnosis.get("classes", diagnosis)  # the counts beside the other figures or under "classes"
        for name in CLASSES:
            totals[name] = totals.get(name, 0) + int(counts.get(name, 0) or 0)
    if not seen:
        return None
    if sum(totals.values()) == 0:
        return "(no class counts in the diagnosis)"
    return max(sorted(totals), key=lambda name: totals[name])


def has_quantizer(reportapp, work):
    probe = os.path.join(work, "probe.tcl")
    with open(probe, "w", encoding="ascii") as stream:
        stream.write("puts [llength [info commands ::ReportApp::quantizer]]\n")
    result = subprocess.run([reportapp, probe], capture_output=True, text=True)
    return result.stdout.strip() == "1"


def main():
    simulator, source, work, reportapp = sys.argv[1:5]
    program = {"icarus": "iverilog", "verilator-cpp": "verilator"}.get(simulator, simulator)
    if shutil.which(program) is None:
        print(f"SKIPPED: {program} is not installed (Debian package {program}); "
              f"the FIR example did not run on {simulator}")
        return SKIP
    os.makedirs(work, exist_ok=True)
    if not has_quantizer(reportapp, work):
        print(f"SKIPPED: {reportapp} has no ::ReportApp::quantizer command; the FIR model needs it")
        return SKIP
    run_sh = os.path.join(source, "examples", "fir", "run.sh")
    environment = dict(os.environ, REPORTAPP=reportapp)
    failures = 0
    for fault in ("none", "ties", "wrap", "noreset"):
        command = [run_sh, simulator, "--out", work] + ([] if fault == "none" else ["--fault", fault])
        print("+", " ".join(command), flush=True)
        result = subprocess.run(command, env=environment, capture_output=True, text=True)
        print(result.stdout + result.stderr, end="", flush=True)
        want_status = 0 if fault == "none" else 1
        problems = []
        if result.returncode != want_status:
            problems.append(f"status {result.returncode}, expected {want_status}")
        results_path = os.path.join(work, f"{simulator}-{fault}", "results.json")
        if os.path.exists(results_path):
            with open(results_path, encoding="utf-8") as stream:
                results = json.load(stream)
            leading = leading_class(results)
            if fault != "none" and leading is not None and leading not in expected_classes(simulator, fault):
                problems.append(f"leading class {leading}, expected one of "
                                f"{', '.join(sorted(expected_classes(simulator, fault)))}")
            if fault != "none" and leading is None:
                print(f"note: {simulator} {fault}: the JSON has no diagnosis; only the status was checked")
        else:
            problems.append(f"no {results_path}")
        if problems:
            failures += 1
            print(f"FAIL {simulator} {fault}: " + "; ".join(problems))
        else:
            print(f"ok   {simulator} {fault}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
