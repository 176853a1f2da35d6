#!/usr/bin/env bash
# Builds the thread tests with clang and ThreadSanitizer into build-tsan and
# runs them: several threads, each with its own interpreter that loads the
# extension, and a --jobs 2 regression through ::ReportApp::verify (worker
# threads against the calling one). Fails on any ThreadSanitizer report.
#   scripts/test-tsan.sh            200000 rounds per thread
#   REPORTAPP_THREAD_ROUNDS=N scripts/test-tsan.sh
#   REPORTAPP_JOBS=N                parallel build jobs (default: all cores)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

if [ "${1:-}" = "--help" ] || [ "${1:-}" = "-h" ]; then
  sed -n '2,8p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  exit 0
fi

echo "== checking the packages (clang for ThreadSanitizer)"
reportapp_setup clang

# clang's sanitizer runtimes come in their own package on some releases.
tsan_probe() {
  echo 'int main() { return 0; }' | clang++ -x c++ -fsanitize=thread -o /dev/null - 2>/dev/null
}
if ! tsan_probe; then
  major=$(clang++ -dumpversion | cut -d. -f1)
  echo "== clang cannot link ThreadSanitizer programs: adding libclang-rt-$major-dev"
  reportapp_setup "libclang-rt-$major-dev"
  tsan_probe || { echo "clang still cannot build ThreadSanitizer programs" >&2; exit 1; }
fi

build="$REPORTAPP_ROOT/build-tsan"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
echo "== configuring $build (clang, -fsanitize=thread)"
cmake -S "$REPORTAPP_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DREPORTAPP_TSAN=ON \
  -DREPORTAPP_BENCH=OFF "${launcher[@]}" >/dev/null
echo "== building test_plugin"
cmake --build "$build" -j "${REPORTAPP_JOBS:-$(nproc)}" --target test_plugin

echo "== running the thread tests under ThreadSanitizer"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
TSAN_OPTIONS="exitcode=66 second_deadlock_stack=1 suppressions=$REPORTAPP_ROOT/tests/cpp/support/tsan.supp" \
  "$build/tests/test_plugin" --gtest_filter='Threads.*' 2>&1 | tee "$log" || status=$?
if grep -q "WARNING: ThreadSanitizer" "$log"; then
  echo "ThreadSanitizer reported a problem (see above)" >&2
  exit 1
fi
if [ "$status" -ne 0 ]; then
  echo "the thread tests failed (exit $status)" >&2
  exit "$status"
fi
echo "== no ThreadSanitizer report"
