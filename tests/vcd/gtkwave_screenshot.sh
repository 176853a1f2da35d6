#!/usr/bin/env bash
# A screenshot of GTKWave under Xvfb showing the waveform of the FIR
# example's wrap fault (examples/fir/run.sh icarus --fault wrap --vcd): the
# model and RTL values of each channel and the error between them.
#
#   gtkwave_screenshot.sh REPORTAPP SOURCE_DIR WORK_DIR PNG
#
# Exit status 77 (skipped) when Icarus Verilog, GTKWave, Xvfb or
# ImageMagick's import is missing.
set -euo pipefail
reportapp=$1 source=$2 work=$3 png=$4

for tool in iverilog:iverilog gtkwave:gtkwave xvfb-run:xvfb import:imagemagick; do
  if ! command -v "${tool%%:*}" >/dev/null; then
    echo "SKIPPED: ${tool%%:*} is not installed (Debian package ${tool#*:})" >&2
    exit 77
  fi
done

rm -rf "$work"
mkdir -p "$work" "$(dirname "$png")"
work=$(cd "$work" && pwd)
png=$(cd "$(dirname "$png")" && pwd)/$(basename "$png")
status=0
REPORTAPP=$reportapp bash "$source/examples/fir/run.sh" icarus --fault wrap --vcd --out "$work" || status=$?
[ $status -eq 1 ] || { echo "the wrap fault should fail the run, not give status $status" >&2; exit 1; }
# The vector whose waveform shows the most disagreements.
vcd=
most=-1
for file in "$work"/icarus-wrap/Reports/*.vcd; do
  count=$(grep -c '^0' "$file" || true)
  [ "$count" -gt "$most" ] && { most=$count; vcd=$file; }
done
[ "$most" -gt 0 ] || { echo "no waveform shows a disagreement" >&2; exit 1; }
echo "waveform: $vcd ($most falls of an agree bit)"

# GTKWave in a virtual screen filled by its window, without the hierarchy
# pane (its settings in .gtkwaverc of the folder it starts in); the screenshot once the script has run and the window is drawn.
rm -f "$png"
printf '%s\n' "initial_window_x 1280" "initial_window_y 900" "hide_sst 1" "splash_disable 1" \
  "use_big_fonts 0" >"$work/.gtkwaverc"
HOME=$work xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
  cd "$4"
  gtkwave -S "$1" "$2" >"$4/gtkwave.log" 2>&1 &
  viewer=$!
  for ((wait = 0; wait < 40; wait++)); do
    grep -q "signals shown" "$4/gtkwave.log" && break
    sleep 0.25
  done
  sleep 2
  import -window root "$3"
  kill $viewer
  wait $viewer 2>/dev/null || true
' screenshot "$source/tests/vcd/gtkwave_view.tcl" "$vcd" "$png" "$work"
grep -q "signals shown" "$work/gtkwave.log" || { cat "$work/gtkwave.log" >&2; echo "GTKWave did not run the script" >&2; exit 1; }
[ -s "$png" ] || { echo "no screenshot written" >&2; exit 1; }
echo "screenshot: $png"
