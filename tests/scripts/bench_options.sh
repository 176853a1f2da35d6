#!/usr/bin/env bash
# The benchmarks' command lines: --help explains on every benchmark, a wrong
# word is an error, and verify_throughput_bench --dir DIR removes only the
# folder it made inside DIR, never DIR or a user's file in it.
#   bench_options.sh BENCH_BUILD_DIR
set -euo pipefail
bench=$(cd "$1" && pwd)

work=$(mktemp -d /tmp/reportapp-bench-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

for program in info_commands_bench quantize_bench verify_throughput_bench regression_summary_bench \
  plot_overhead_bench vector_count_bench; do
  status=0
  out=$("$bench/$program" --help 2>&1) || status=$?
  [ "$status" -eq 0 ] || fail "$program --help exits with $status: $out"
  [[ "$out" == usage:* ]] || fail "$program --help does not explain its usage: $out"
  [[ "$out" != *nan* ]] || fail "$program --help printed figures: $out"
  status=0
  out=$("$bench/$program" --no-such-option 2>&1) || status=$?
  [ "$status" -eq 2 ] || fail "$program --no-such-option exits with $status: $out"
done

# A folder holding a user's file: after the run it holds exactly that file.
mkdir "$work/user"
echo "a user's notes" >"$work/user/notes.txt"
out=$("$bench/verify_throughput_bench" --mb 0.2 --tcl-mb 0.1 --dir "$work/user") ||
  fail "verify_throughput_bench --dir exits with $?: $out"
[ -d "$work/user" ] || fail "--dir removed the folder it was given"
left=$(ls -A "$work/user")
[ "$left" = notes.txt ] || fail "--dir left the folder holding: $left"
[ "$(cat "$work/user/notes.txt")" = "a user's notes" ] || fail "the user's file changed"
[[ "$out" == *"identical reports: awk yes, plain Tcl yes"* ]] || fail "unexpected output: $out"

# --keep leaves the benchmark's own folder, and says where it is.
out=$("$bench/verify_throughput_bench" --mb 0.1 --tcl-mb 0.1 --dir "$work/user" --keep)
kept=$(sed -n 's/^  files kept in //p' <<<"$out")
[ -n "$kept" ] && [ "$(dirname "$kept")" = "$work/user" ] && [ -f "$kept/big/kv_timing_Korvel_TestVector_1.txt" ] ||
  fail "--keep did not keep a folder inside --dir: $out"

# A --dir that does not exist is an error and creates nothing.
status=0
"$bench/verify_throughput_bench" --mb 0.1 --dir "$work/missing" 2>/dev/null || status=$?
[ "$status" -eq 2 ] && [ ! -e "$work/missing" ] || fail "a missing --dir gave $status"
echo "benchmark options behave"
