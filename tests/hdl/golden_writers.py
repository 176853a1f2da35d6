#!/usr/bin/python3
"""Checks a testbench writer of timing files against the golden files.

    golden_writers.py SIMULATOR SOURCE_DIR WORK_DIR

SIMULATOR is icarus or verilator (the Verilog writer) or ghdl (the VHDL
writer). Every case of tests/golden/timing/cases.json is replayed in one
simulation (one testbench instance per case, so that Verilator builds once);
each written file must equal its golden file byte for byte. Then the
writer is given bad input (vectors of the wrong size, a file that cannot be
opened) and must stop the simulation with a message naming the file. A simulator that
is not installed skips the test (exit 77) with a message saying so.
"""
import json
import os
import shutil
import subprocess
import sys

SKIP = 77


VERILOG_BITS = str.maketrans("uw-lhUWLH", "xxx01xx01")


def replay_lines(case, verilog):
    """The case's events as "S <time>" / "O <time> <clocks> <model1> <rtl1> ..." lines
    (decimal values, or bit strings for a case with unknown bits)."""
    lines = []
    for event in case["events"]:
        if event["kind"] == "start":
            lines.append(f"S {event['time']}")
            continue
        if event["clocks"] < 1:
            raise SystemExit(f"{case['file']}: an output record needs at least one clock")
        values = []
        for model, rtl in zip(event["model"], event["rtl"]):
            values += [str(model), str(rtl)]
        if verilog and case.get("hdl_only"):
            # Verilog has four values: U, W and - read as x, L and H as 0 and 1.
            values = [value.translate(VERILOG_BITS) for value in values]
        elif case.get("hdl_only"):
            values = [value.upper() for value in values]  # VHDL's std_logic literals
        lines.append(f"O {event['time']} {event['clocks']} " + " ".join(values))
    return "\n".join(lines) + "\n"


def verilog_top(cases):
    body = []
    for index, case in enumerate(cases):
        body.append(
            f'  tb_timing_case #(.FILE("{case["file"]}"), .REPLAY("replay_{index}.txt"),'
            f' .CHANNELS({case["channels"]}), .WIDTH({case["word_length"]}),'
            f' .BINARY({int(bool(case.get("hdl_only")))})) case_{index} (.done(done[{index}]));')
    return ("`timescale 1ns / 1ps\n"
            "module tb_golden;\n"
            f"  wire [{len(cases) - 1}:0] done;\n" + "\n".join(body) + "\n"
            "  always @(done) if (&done === 1'b1) $finish;\n"
            "endmodule\n")


def vhdl_top(cases):
    body = []
    for index, case in enumerate(cases):
        body.append(
            f'  case_{index}: entity work.tb_timing_case generic map (FILE_NAME => "{case["file"]}",'
            f' REPLAY => "replay_{index}.txt", CHANNELS => {case["channels"]},'
            f' WIDTH => {case["word_length"]}, BINARY => {str(bool(case.get("hdl_only"))).lower()});')
    return ("entity tb_golden is\nend entity;\n\n"
            "architecture replay of tb_golden is\nbegin\n" + "\n".join(body) + "\n"
            "end architecture;\n")


def run(command, cwd):
    print("+", " ".join(command), flush=True)
    subprocess.run(command, cwd=cwd, check=True)


def compare_all(cases, work, label):
    """Compares each case's written file with its golden file; the failures."""
    golden = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "golden", "timing")
    failures = 0
    for case in cases:
        with open(os.path.join(golden, case["file"]), "rb") as stream:
            expected = stream.read()
        written_path = os.path.join(work, case["file"])
        written = open(written_path, "rb").read() if os.path.exists(written_path) else None
        if written != expected:
            failures += 1
            print(f"FAIL {label}: {case['file']} differs from the golden file")
            print("--- expected\n" + expected.decode("ascii", "replace"))
            print("--- written\n" + ("(no file)" if written is None else written.decode("ascii", "replace")))
        else:
            print(f"ok   {label}: {case['file']}")
    return failures


def simulate(simulator, source, work, cases):
    """Runs the writer's testbench over the cases; the failures of any
    intermediate comparison."""
    failures = 0
    verilog = [os.path.join(source, "hdl", "verilog", name)
               for name in ("reportapp_timing.v", "reportapp_timing_writer.v")]
    verilog.append(os.path.join(source, "tests", "hdl", "tb_timing_case.v"))
    if simulator == "icarus":
        # SystemVerilog first, then Verilog-2005, each writing the files afresh.
        for generation in ("-g2012", "-g2005"):
            for case in cases:
                if os.path.exists(os.path.join(work, case["file"])):
                    os.remove(os.path.join(work, case["file"]))
            run(["iverilog", generation, "-Wall", "-o", "tb_golden.vvp", "tb_golden.v"] + verilog, work)
            run(["vvp", "-n", "tb_golden.vvp"], work)
            if generation == "-g2012":
                failures += compare_all(cases, work, "icarus -g2012")
    elif simulator == "verilator":
        # Unoptimised and through ccache when there is one: the compilation is
        # most of the time, the run a moment.
        os.environ["OBJCACHE"] = shutil.which("ccache") or ""
        run(["verilator", "--binary", "--timing", "-Wall", "-Wno-DECLFILENAME", "-Wno-UNUSEDSIGNAL",
             "-MAKEFLAGS", "OPT_FAST=-O0 OPT_SLOW=-O0 OPT_GLOBAL=-O0",
             "--top-module", "tb_golden", "-o", "tb_golden", "tb_golden.v"] + verilog, work)
        run([os.path.join("obj_dir", "tb_golden")], work)
    else:
        vhdl = [os.path.join(source, "hdl", "vhdl", "reportapp_timing_pkg.vhd"),
                os.path.join(source, "hdl", "vhdl", "reportapp_timing_writer.vhd"),
                os.path.join(source, "tests", "hdl", "tb_timing_case.vhd"), "tb_golden.vhd"]
        run(["ghdl", "-a", "--std=08"] + vhdl, work)
        run(["ghdl", "-e", "--std=08", "tb_golden"], work)
        run(["ghdl", "-r", "--std=08", "tb_golden"], work)
        # The package's texts at their edges (times past 2**31 ns, rounding, digits).
        run(["ghdl", "-a", "--std=08", os.path.join(source, "tests", "hdl", "tb_timing_text.vhd")], work)
        run(["ghdl", "-e", "--std=08", "tb_timing_text"], work)
        run(["ghdl", "-r", "--std=08", "tb_timing_text"], work)
    return failures


# Bad input: (case, text the fatal message must hold, file that must hold no record).
BAD_VERILOG = [
    (0, "bad_width.txt: the model vector has 24 bits, 2 channels of width 16 need 32", "bad_width.txt"),
    (1, "no/such/folder/t.txt: cannot open the file for writing", None),
]
BAD_VHDL = [
    (0, "bad_channels.txt: the model and RTL arrays have 3 and 3 channels, CHANNELS is 2", "bad_channels.txt"),
    (1, "bad_width.txt: the model and RTL values have width 12 and 12, WIDTH is 16", "bad_width.txt"),
    (2, "no/such/folder/t.txt: cannot open the file for writing", None),
]


def bad_input(simulator, source, work):
    """Each bad input must end the simulation with an error naming the file
    and the mismatch, before any record is written. Returns the failures."""
    failures = 0
    if simulator == "icarus":
        sources = [os.path.join(source, "hdl", "verilog", name)
                   for name in ("reportapp_timing.v", "reportapp_timing_writer.v")]
        sources.append(os.path.join(source, "tests", "hdl", "tb_bad_input.v"))
        runs = [(["iverilog", "-g2005", f"-Ptb_bad_input.CASE={case}", "-o", f"bad_{case}.vvp"] + sources,
                 ["vvp", "-n", f"bad_{case}.vvp"], text, left) for case, text, left in BAD_VERILOG]
    elif simulator == "ghdl":
        sources = [os.path.join(source, "hdl", "vhdl", name)
                   for name in ("reportapp_timing_pkg.vhd", "reportapp_timing_writer.vhd")]
        sources.append(os.path.join(source, "tests", "hdl", "tb_bad_input.vhd"))
        run(["ghdl", "-a", "--std=08"] + sources, work)
        run(["ghdl", "-e", "--std=08", "tb_bad_input"], work)
        runs = [(None, ["ghdl", "-r", "--std=08", "tb_bad_input", f"-gCASE_NUMBER={case}"], text, left)
                for case, text, left in BAD_VHDL]
    else:
        return 0  # the same Verilog as under Icarus; a second build would only cost time
    for build, command, text, left in runs:
        if build:
            run(build, work)
        print("+", " ".join(command), flush=True)
        result = subprocess.run(command, cwd=work, capture_output=True, text=True)
        output = result.stdout + result.stderr
        written = os.path.join(work, left) if left else None
        problems = []
        if result.returncode == 0:
            problems.append("the simulation ended with status 0")
        if text not in output:
            problems.append(f"no message \"{text}\"")
        if written and os.path.exists(written) and os.path.getsize(written) > 0:
            problems.append(f"{left} holds records")
        if problems:
            failures += 1
            print(f"FAIL {simulator} bad input: " + "; ".join(problems) + "\n" + output)
        else:
            print(f"ok   {simulator} bad input: {text}")
    return failures


def main():
    simulator, source, work = sys.argv[1:4]
    program = {"icarus": "iverilog", "verilator": "verilator", "ghdl": "ghdl"}[simulator]
    if shutil.which(program) is None:
        print(f"SKIPPED: {program} is not installed (Debian package "
              f"{'iverilog' if simulator == 'icarus' else program}); the {simulator} writer test did not run")
        return SKIP
    golden = os.path.join(source, "tests", "golden", "timing")
    with open(os.path.join(golden, "cases.json"), encoding="utf-8") as stream:
        cases = json.load(stream)["cases"]
    if simulator == "verilator":
        # Two-state: the case of unknown and floating bits needs a four-state simulator.
        cases = [case for case in cases if not case.get("hdl_only")]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    for index, case in enumerate(cases):
        with open(os.path.join(work, f"replay_{index}.txt"), "w", encoding="ascii") as stream:
            stream.write(replay_lines(case, simulator != "ghdl"))
    with open(os.path.join(work, "tb_golden.v"), "w", encoding="ascii") as stream:
        stream.write(verilog_top(cases))
    with open(os.path.join(work, "tb_golden.vhd"), "w", encoding="ascii") as stream:
        stream.write(vhdl_top(cases))
    failures = simulate(simulator, source, work, cases)
    failures += compare_all(cases, work, simulator)
    failures += bad_input(simulator, source, work)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
