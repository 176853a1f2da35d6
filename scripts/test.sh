#!/usr/bin/env bash
# Sets up, builds and runs every test, pass by pass; see usage below. The
# README's test command and the CI entry point (.ci/run).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

usage() {
  cat <<'USAGE'
Usage: scripts/test.sh [--quick] [--help]

Installs the Debian packages that are missing (when run as root), then builds
and runs the tests in passes, each announced with a line starting "==":
  plain       build/: the C++ (GoogleTest) and Tcl (tcltest) tests, the install
              check and the benchmarks' command lines, through ctest
  sanitizers  build-sanitize/: the same tests under AddressSanitizer and
              UndefinedBehaviorSanitizer
  tsan        scripts/test-tsan.sh: the ThreadSanitizer pass (when present)
  fuzz        scripts/test-fuzz.sh: the fuzzing pass (when present)
The first pass that fails stops the run with a non-zero exit status.

Options:
  --quick   the plain pass only
  --help    this text
USAGE
}

jobs=$(nproc)

pass_plain() {
  reportapp_build plain "$REPORTAPP_ROOT/build"
  reportapp_stage "running the tests of build/"
  ctest --test-dir "$REPORTAPP_ROOT/build" -j "$jobs" --output-on-failure
}

pass_sanitizers() {
  reportapp_build sanitizer "$REPORTAPP_ROOT/build-sanitize" -DREPORTAPP_SANITIZE=ON \
    -DREPORTAPP_BENCH=OFF
  reportapp_stage "running the tests of build-sanitize/ under ASan and UBSan"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$REPORTAPP_ROOT/build-sanitize" -j "$jobs" --output-on-failure
}

# A pass that lives in a script of its own; skipped (and said so) while the
# script does not exist.
pass_script() {
  local script="$REPORTAPP_ROOT/scripts/$1"
  if [ ! -f "$script" ]; then
    reportapp_stage "skipping: scripts/$1 does not exist"
    return 0
  fi
  bash "$script"
}
pass_tsan() { pass_script test-tsan.sh; }
pass_fuzz() { pass_script test-fuzz.sh; }

# The passes in order, each with the line that announces it. A further pass
# is one more function and one more line here.
passes=(
  "plain|plain build: C++ and Tcl tests"
  "sanitizers|AddressSanitizer and UndefinedBehaviorSanitizer build: the same tests"
  "tsan|ThreadSanitizer pass (scripts/test-tsan.sh)"
  "fuzz|fuzzing pass (scripts/test-fuzz.sh)"
)

case "${1:-}" in
  "") ;;
  --quick) passes=("${passes[0]}") ;;
  --help | -h)
    usage
    exit 0
    ;;
  *)
    echo "scripts/test.sh: unknown option \"$1\"" >&2
    usage >&2
    exit 2
    ;;
esac
if [ $# -gt 1 ]; then
  echo "scripts/test.sh: one option at most" >&2
  usage >&2
  exit 2
fi

reportapp_setup
for i in "${!passes[@]}"; do
  name=${passes[$i]%%|*}
  reportapp_stage "pass $((i + 1)) of ${#passes[@]}: ${passes[$i]#*|}"
  "pass_$name"
done
reportapp_stage "all ${#passes[@]} passes succeeded"
