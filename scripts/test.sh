#!/usr/bin/env bash
# Sets up, builds and runs every test: the C++ tests and the Tcl tests, then
# the same again under AddressSanitizer and UndefinedBehaviorSanitizer.
#   scripts/test.sh            everything
#   scripts/test.sh --quick    the plain build only
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
reportapp_setup

jobs=$(nproc)
reportapp_build "$REPORTAPP_ROOT/build"
ctest --test-dir "$REPORTAPP_ROOT/build" -j "$jobs" --output-on-failure

if [ "${1:-}" != "--quick" ]; then
  echo "== again with AddressSanitizer and UndefinedBehaviorSanitizer"
  reportapp_build "$REPORTAPP_ROOT/build-sanitize" -DREPORTAPP_SANITIZE=ON -DREPORTAPP_BENCH=OFF
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir "$REPORTAPP_ROOT/build-sanitize" -j "$jobs" --output-on-failure
fi
