#!/usr/bin/env bash
# The main job on the bundled example project: sets up (installing missing
# Debian packages when run as root), builds the reportapp shell and the
# extension, runs the example flow script and shows the result lists and
# where the reports are.
#   scripts/demo.sh
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
if [ $# -gt 0 ]; then
  echo "Usage: scripts/demo.sh   (no options: sets up, builds and runs the example project)"
  [ "$1" = --help ] || [ "$1" = -h ]
  exit
fi
reportapp_setup

build="$REPORTAPP_ROOT/build"
reportapp_stage "configuring the build in build/"
cmake -S "$REPORTAPP_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
reportapp_stage "building the reportapp shell and the extension (a first build takes a few minutes)"
cmake --build "$build" -j "$(nproc)" --target reportapp ReportApp >/dev/null

project="$REPORTAPP_ROOT/examples/verify_project"
echo "== GenerateVerifyReport in the example flow ($project/flow.tcl)"
"$build/reportapp" "$project/flow.tcl"

echo
echo "== the same timing files from the shell: reportapp verify, with its summaries"
results="$build/demo-results.json"
status=0
"$build/reportapp" verify --project "$project" --json "$results" --junit "$build/demo-junit.xml" \
  "$project"/timing/kv_timing_Korvel_TestVector_*.txt || status=$?
echo "exit status $status (0: every file passes, 1: some value disagrees or a file is empty, 2: error)"
echo
echo "== the JSON totals and figures ($results)"
# The document is written two spaces per level, one field a line.
sed -n -e '/^  "totals": {/,/^  }/p' -e '/^  "figures": {/,/^  }/p' "$results"
echo
echo "Summary page (open it in a browser): $project/Reports/index.htm"
echo "JUnit XML for CI: $build/demo-junit.xml"
echo "A report, for example: $project/Reports/kv_timing_Korvel_TestVector_2_rtl.htm"
