#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one briefly from its seed corpus.
#   scripts/test-fuzz.sh                 a smoke run of a few seconds per target
#   FUZZ_SECONDS=600 scripts/test-fuzz.sh   a longer campaign
#   scripts/test-fuzz.sh TARGET...       only these targets
#   FUZZ_BUILD_ONLY=1 scripts/test-fuzz.sh  build them, run nothing
# Without clang it says so and succeeds, so that CI on a machine without it
# still passes. New inputs go to build-fuzz/corpus/<target>, never into the
# seed folders of the source tree.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${FUZZ_SECONDS:-5}"

if ! command -v clang++ >/dev/null 2>&1 || ! command -v clang >/dev/null 2>&1; then
  echo "test-fuzz: clang is not installed; the fuzz targets are skipped"
  exit 0
fi

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DREPORTAPP_FUZZ=ON -DREPORTAPP_SANITIZE=ON -DREPORTAPP_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "${FUZZ_JOBS:-2}" --target fuzz_targets
if [ -n "${FUZZ_BUILD_ONLY:-}" ]; then
  exit 0  # scripts/fuzz-campaign.sh runs them itself
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(timing_report quantizer_text numeric_conversion timing_files_list option_store
           file_path command_line)
fi
failed=0
for name in "${targets[@]}"; do
  work="$build/corpus/$name"
  mkdir -p "$work"
  log="$build/fuzz-$name.log"
  echo "== ${name}_fuzzer for ${seconds}s"
  # Tcl keeps its own allocations until the process ends: no leak checking.
  if "$build/tests/fuzz/${name}_fuzzer" -max_total_time="$seconds" -detect_leaks=0 \
       -print_final_stats=1 -close_fd_mask=1 "$work" "$root/tests/fuzz/corpus/$name" \
       >"$log" 2>&1; then
    grep -aE '^stat::number_of_executed_units' "$log" || true
  else
    echo "test-fuzz: ${name}_fuzzer failed; the end of $log:"
    tail -n 40 "$log"
    failed=1
  fi
done
exit "$failed"
