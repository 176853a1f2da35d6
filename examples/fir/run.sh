#!/usr/bin/env bash
# The FIR example from model to report on real simulators:
#
#   examples/fir/run.sh [icarus|verilator|ghdl|all|verilator-cpp] [--fault ties|wrap|noreset] [--out DIR]
#                       [--vcd]
#
# 1. model.tcl (run by the reportapp shell) quantizes the test vectors and the
#    filter's expected outputs with ::ReportApp::quantizer;
# 2. each simulator runs the design (fir2.v under Icarus Verilog and Verilator,
#    fir2.vhd under GHDL) on every vector, its testbench writing one timing
#    file per vector through the project's writers (hdl/); verilator-cpp
#    builds fir2.v with the C++ testbench tb_fir.cpp and the C++ writer
#    instead (not part of all: the same simulator);
# 3. reportapp verify compares model and RTL, writes the reports and the JSON;
# 4. one result line per simulator, and the path of its index page.
#
# --fault injects a design error: ties (ties rounded downward), wrap (overflow
# wraps instead of saturating), noreset (the data path is left out of the
# reset; Verilator then starts its registers with random values,
# +verilator+rand+reset+2, since two-state simulation would read them as 0).
# Builds are kept in OUT/build and reused while the sources are unchanged.
# --vcd: reportapp verify writes a waveform beside each report
# (OUT/<simulator>-<fault>/Reports/<report base name>.vcd).
#
# Environment: REPORTAPP (the reportapp shell, default build/reportapp).
# Exit status: 0 every simulator passed, 1 some file disagrees, 2 an error,
# 77 none of the requested simulators is installed.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
reportapp=${REPORTAPP:-$root/build/reportapp}
out=$here/work
simulators=()
fault=none
verify_options=()

usage() {
  sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'
}

while [ $# -gt 0 ]; do
  case $1 in
    icarus | verilator | ghdl | verilator-cpp) simulators+=("$1") ;;
    all) simulators+=(icarus verilator ghdl) ;;
    --fault)
      [ $# -ge 2 ] || { echo "run.sh: --fault needs ties, wrap or noreset" >&2; exit 2; }
      fault=$2
      shift
      ;;
    --out)
      [ $# -ge 2 ] || { echo "run.sh: --out needs a folder" >&2; exit 2; }
      out=$2
      shift
      ;;
    --vcd) verify_options+=(--vcd) ;;
    --help | -h) usage; exit 0 ;;
    *) echo "run.sh: unknown argument \"$1\" (see --help)" >&2; exit 2 ;;
  esac
  shift
done
[ ${#simulators[@]} -gt 0 ] || simulators=(icarus verilator ghdl)
case $fault in
  none) fault_number=0 ;;
  ties) fault_number=1 ;;
  wrap) fault_number=2 ;;
  noreset) fault_number=3 ;;
  *) echo "run.sh: unknown fault \"$fault\" (ties, wrap or noreset)" >&2; exit 2 ;;
esac
[ -x "$reportapp" ] || { echo "run.sh: no reportapp shell at $reportapp (build it, or set REPORTAPP)" >&2; exit 2; }
mkdir -p "$out"
out=$(cd "$out" && pwd)

verilog_sources=("$root/hdl/verilog/reportapp_timing.v" "$root/hdl/verilog/reportapp_timing_writer.v"
  "$here/fir2.v" "$here/tb_fir.v")
vhdl_sources=("$root/hdl/vhdl/reportapp_timing_pkg.vhd" "$root/hdl/vhdl/reportapp_timing_writer.vhd"
  "$here/fir2.vhd" "$here/tb_fir.vhd")

# True when the target is missing or older than one of the sources.
stale() {
  local target=$1
  shift
  [ -e "$target" ] || return 0
  local source
  for source in "$@"; do
    [ "$source" -nt "$target" ] && return 0
  done
  return 1
}

# The test vectors and the model's outputs, shared by every simulator.
vectors=$out/vectors
if stale "$vectors/done" "$here/model.tcl" "$reportapp"; then
  rm -rf "$vectors"
  "$reportapp" "$here/model.tcl" "$vectors" >"$out/model.log" 2>&1 || {
    cat "$out/model.log" >&2
    echo "run.sh: the model failed (log above)" >&2
    exit 2
  }
  touch "$vectors/done"
fi

# Builds the testbench of one simulator into OUT/build/<simulator>, once.
build() {
  local sim=$1 dir=$out/build/$1
  mkdir -p "$dir"
  case $sim in
    icarus)
      stale "$dir/tb_fir.vvp" "${verilog_sources[@]}" || return 0
      iverilog -g2005 -Wall -o "$dir/tb_fir.vvp" "${verilog_sources[@]}" >"$dir/build.log" 2>&1
      ;;
    verilator)
      stale "$dir/obj_dir/tb_fir" "${verilog_sources[@]}" || return 0
      # --binary: Verilator's own main; --timing: the testbench's delays.
      # The runs take a moment, the C++ compilation most of the time: build
      # unoptimised, through ccache when there is one.
      (cd "$dir" && OBJCACHE=$(command -v ccache || true) verilator --binary --timing -Wall -Wno-DECLFILENAME \
        -MAKEFLAGS "OPT_FAST=-O0 OPT_SLOW=-O0 OPT_GLOBAL=-O0" \
        --top-module tb_fir -o tb_fir "${verilog_sources[@]}") >"$dir/build.log" 2>&1
      ;;
    verilator-cpp)
      stale "$dir/obj_dir/tb_fir_cpp" "$here/fir2.v" "$here/tb_fir.cpp" "$root/hdl/cpp/reportapp/timing_writer.hpp" ||
        return 0
      (cd "$dir" && OBJCACHE=$(command -v ccache || true) verilator --cc --exe --build -Wall \
        -MAKEFLAGS "OPT_FAST=-O0 OPT_SLOW=-O0 OPT_GLOBAL=-O0" -CFLAGS "-std=c++17 -I$root/hdl/cpp" \
        -o tb_fir_cpp "$here/fir2.v" "$here/tb_fir.cpp") >"$dir/build.log" 2>&1
      ;;
    ghdl)
      stale "$dir/done" "${vhdl_sources[@]}" || return 0
      (cd "$dir" && ghdl -a --std=08 "${vhdl_sources[@]}" && ghdl -e --std=08 tb_fir) >"$dir/build.log" 2>&1 &&
        touch "$dir/done"
      ;;
  esac
}

# Simulates one vector: simulate SIMULATOR VECTOR_FILE TIMING_FILE LOG.
simulate() {
  local sim=$1 vector=$2 timing=$3 log=$4 dir=$out/build/$1
  local samples
  samples=$(wc -l <"$vector")
  case $sim in
    icarus)
      vvp -n "$dir/tb_fir.vvp" +vector="$vector" +samples="$samples" +fault=$fault_number \
        +reportapp_timing_file="$timing" >"$log" 2>&1
      ;;
    verilator | verilator-cpp)
      local reset=() program=$dir/obj_dir/tb_fir
      [ "$sim" = verilator-cpp ] && program=$dir/obj_dir/tb_fir_cpp
      [ "$fault" = noreset ] && reset=(+verilator+rand+reset+2 +verilator+seed+2026)
      "$program" "${reset[@]}" +vector="$vector" +samples="$samples" +fault=$fault_number \
        +reportapp_timing_file="$timing" >"$log" 2>&1
      ;;
    ghdl)
      (cd "$dir" && ghdl -r --std=08 tb_fir -gVECTOR="$vector" -gTIMING_FILE="$timing" \
        -gFAULT=$fault_number) >"$log" 2>&1
      ;;
  esac
}

# The result line: status, counts and the leading diagnosis class when the
# JSON carries one.
summary() {
  /usr/bin/python3 - "$1" <<'PY' 2>/dev/null || echo "(results in $1)"
import json, sys
run = json.load(open(sys.argv[1]))
totals = run["totals"]
classes = {}
for entry in run["files"]:
    for name, count in (entry.get("diagnosis") or {}).items():
        if isinstance(count, int) and name not in ("maxErrorLsb", "unknownBits"):
            classes[name] = classes.get(name, 0) + count
line = f"{totals['files']} files, {totals['values']} values, {totals['disagreeing']} disagreeing"
leading = [name for name, count in sorted(classes.items(), key=lambda item: -item[1]) if count > 0]
if leading:
    line += ", leading class " + leading[0]
print(line)
PY
}

status=0
ran=0
for sim in "${simulators[@]}"; do
  program=${sim%-cpp}
  [ "$sim" = icarus ] && program=iverilog
  if ! command -v "$program" >/dev/null; then
    echo "$sim: SKIPPED, $program is not installed (Debian package $program)"
    continue
  fi
  ran=$((ran + 1))
  project=$out/$sim-$fault
  rm -rf "$project"
  mkdir -p "$project/Reports" "$project/timing"
  cp -r "$vectors/FixedPointM" "$project/"
  if ! build "$sim"; then
    cat "$out/build/$sim/build.log" >&2
    echo "$sim $fault: ERROR, the build failed (log above)"
    status=2
    continue
  fi
  failed=0
  timing_files=()
  for ((number = 1; ; number++)); do
    vector=$vectors/vector_$number.hex
    [ -e "$vector" ] || break
    timing=$project/timing/kv_timing_Korvel_TestVector_$number.txt
    timing_files+=("$timing")
    if ! simulate "$sim" "$vector" "$timing" "$project/sim_$number.log"; then
      cat "$project/sim_$number.log" >&2
      echo "$sim $fault: ERROR, the simulation of vector $number failed (log above)"
      failed=1
      break
    fi
  done
  if [ $failed -ne 0 ]; then
    status=2
    continue
  fi
  verdict=0
  "$reportapp" verify --quiet ${verify_options[@]+"${verify_options[@]}"} --project "$project" --json "$project/results.json" \
    "${timing_files[@]}" >"$project/verify.log" 2>&1 || verdict=$?
  case $verdict in
    0) word=PASS ;;
    1) word=FAIL ;;
    *) word=ERROR; cat "$project/verify.log" >&2 ;;
  esac
  echo "$sim $fault: $word (reportapp verify status $verdict): $(summary "$project/results.json")"
  echo "  index: $project/Reports/index.htm"
  [ $verdict -gt $status ] && status=$verdict
done
[ $ran -gt 0 ] || exit 77
exit $status
