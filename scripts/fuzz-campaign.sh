#!/usr/bin/env bash
# Runs every fuzz target (or those named) for a long campaign and appends one
# row per target to the campaign record kept in the repository: executions,
# time, executions per second and the result.
#   scripts/fuzz-campaign.sh                       10 million executions per target
#   scripts/fuzz-campaign.sh --runs N              N executions per target
#   scripts/fuzz-campaign.sh --seconds S           a time budget of S seconds per target
#                                                  (with --runs: whichever ends first)
#   scripts/fuzz-campaign.sh --record FILE         append to FILE instead of
#                                                  tests/fuzz/campaign-record.md
#   scripts/fuzz-campaign.sh [options] TARGET...   only these targets (timing_report, ...)
# Builds the targets as scripts/test-fuzz.sh does (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-fuzz). Each target starts from its seed
# corpus and what earlier runs found (build-fuzz/corpus/<target>); a crash
# leaves its input in build-fuzz/artifacts/. Exits 1 when a target failed.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
runs=10000000
seconds=""
record="$root/tests/fuzz/campaign-record.md"
targets=()

usage() {
  sed -n '2,15p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
}
count() {  # option value: a whole number above 0
  [[ "$2" =~ ^[1-9][0-9]*$ ]] || { echo "fuzz-campaign: $1 needs a whole number above 0, not \"$2\"" >&2; exit 2; }
}
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) [ $# -ge 2 ] || { echo "fuzz-campaign: --runs needs a value" >&2; exit 2; }
            count "$1" "$2"; runs=$2; shift 2 ;;
    --seconds) [ $# -ge 2 ] || { echo "fuzz-campaign: --seconds needs a value" >&2; exit 2; }
               count "$1" "$2"; seconds=$2; shift 2 ;;
    --record) [ $# -ge 2 ] || { echo "fuzz-campaign: --record needs a file" >&2; exit 2; }
              record=$2; shift 2 ;;
    -h|--help) usage; exit 0 ;;
    -*) echo "fuzz-campaign: unknown option \"$1\" (see --help)" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

known=()
for source in "$root"/tests/fuzz/*_fuzzer.cpp; do
  name=$(basename "$source" _fuzzer.cpp)
  known+=("$name")
done
if [ ${#targets[@]} -eq 0 ]; then
  targets=("${known[@]}")
fi
for name in "${targets[@]}"; do
  [[ " ${known[*]} " == *" $name "* ]] || { echo "fuzz-campaign: no fuzz target \"$name\" (there are: ${known[*]})" >&2; exit 2; }
done

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz-campaign: clang is not installed; no fuzz target can be built" >&2
  exit 1
fi
FUZZ_BUILD_ONLY=1 FUZZ_BUILD_DIR="$build" "$root/scripts/test-fuzz.sh"

if [ ! -s "$record" ]; then
  cat >"$record" <<'HEAD'
# Fuzz campaign record

One row per fuzz target and campaign, appended by `scripts/fuzz-campaign.sh`
(libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer). "budget" is
what the run was given: executions, and a time limit when one was set.

| date (UTC) | commit | target | budget | executions | seconds | executions/s | result |
|---|---|---|---|---|---|---|---|
HEAD
fi
commit=$(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo unknown)
budget="$runs runs${seconds:+, $seconds s}"
mkdir -p "$build/artifacts"
failed=0
for name in "${targets[@]}"; do
  work="$build/corpus/$name"
  mkdir -p "$work"
  log="$build/campaign-$name.log"
  limit=()
  [ -n "$seconds" ] && limit=(-max_total_time="$seconds")
  echo "== ${name}_fuzzer: $budget"
  start=$(date +%s.%N)
  status=0
  # Tcl keeps its own allocations until the process ends: no leak checking.
  "$build/tests/fuzz/${name}_fuzzer" -runs="$runs" "${limit[@]}" -detect_leaks=0 \
    -print_final_stats=1 -close_fd_mask=1 -artifact_prefix="$build/artifacts/$name-" \
    "$work" "$root/tests/fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.3f", b - a }')
  executions=$(grep -aE '^stat::number_of_executed_units' "$log" | awk '{print $2}' | tail -n 1)
  executions=${executions:-0}
  rate=$(awk -v n="$executions" -v t="$elapsed" 'BEGIN { printf "%.0f", (t > 0 ? n / t : 0) }')
  if [ "$status" -eq 0 ]; then
    result="no crash"
  else
    crash=$(grep -aoE "$build/artifacts/$name-[^ ]+" "$log" | tail -n 1 || true)
    result="FAILED (exit $status${crash:+, input $(basename "$crash")})"
    failed=1
    echo "fuzz-campaign: ${name}_fuzzer failed; the end of $log:"
    tail -n 20 "$log"
  fi
  printf '| %s | %s | %s | %s | %s | %.0f | %s | %s |\n' "$(date -u '+%Y-%m-%d %H:%M')" \
    "$commit" "$name" "$budget" "$executions" "$elapsed" "$rate" "$result" >>"$record"
  echo "   $executions executions in $(printf %.0f "$elapsed") s ($rate/s): $result"
done
echo "== record: $record"
exit "$failed"
