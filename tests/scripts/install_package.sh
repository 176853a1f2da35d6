#!/usr/bin/env bash
# cmake --install into a fresh prefix, then a plain tclsh with only the
# documented setting (TCLLIBPATH=<prefix>/lib/tcltk) loads the package, runs
# a command and passes the whole Tcl suite against it.
#   install_package.sh BUILD_DIR SOURCE_DIR TCLSH
set -euo pipefail
build=$(cd "$1" && pwd) source=$(cd "$2" && pwd) tclsh=$3

prefix=$(mktemp -d /tmp/reportapp-install-test-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

cmake --install "$build" --prefix "$prefix" >/dev/null
package="$prefix/lib/tcltk/ReportApp"
for file in "$package/libReportApp.so" "$package/pkgIndex.tcl" "$prefix/bin/reportapp"; do
  [ -f "$file" ] || fail "$file was not installed"
done
for binary in "$package/libReportApp.so" "$prefix/bin/reportapp"; do
  if readelf -S "$binary" | grep -Eq '\.symtab|\.debug_'; then
    fail "$binary is installed with its symbol table or debug information"
  fi
done

# On Debian, <prefix>/lib/tcltk is on the interpreter's own auto_path for
# /usr/local and /usr: installing there needs no setting at all.
if [ -f /etc/debian_version ]; then
  auto_path=$(echo 'puts $auto_path' | env -i "$tclsh")
  for dir in /usr/local/lib/tcltk /usr/lib/tcltk; do
    [[ " $auto_path " == *" $dir "* ]] || fail "$dir is not on tclsh's auto_path ($auto_path)"
  done
fi

# A clean environment but for TCLLIBPATH (and, in sanitizer builds, the
# runtime a plain tclsh needs preloaded).
plain_tclsh() {
  env -i PATH=/usr/bin:/bin HOME="$prefix" TCLLIBPATH="$prefix/lib/tcltk" \
    ${LD_PRELOAD:+LD_PRELOAD="$LD_PRELOAD"} ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} \
    "$tclsh" "$@"
}
result=$(plain_tclsh <<'TCL'
package require ReportApp
SetRTLInfo -latency 12 -adders 3
puts [list [GetRTLInfo -adders -latency] [lindex [package ifneeded ReportApp [package present ReportApp]] 1]]
TCL
)
[ "$result" = "{3 12} $package/libReportApp.so" ] || fail "loading the installed package gave: $result"

shell_result=$(echo 'SetRTLInfo -latency 7; puts [GetRTLInfo -latency]' |
  env -i PATH=/usr/bin:/bin ${ASAN_OPTIONS:+ASAN_OPTIONS="$ASAN_OPTIONS"} "$prefix/bin/reportapp")
[ "$shell_result" = 7 ] || fail "the installed shell gave: $shell_result"

cd "$prefix"
plain_tclsh "$source/tests/tcl/all.tcl" >suite.log 2>&1 || {
  cat suite.log
  fail "the Tcl suite against the installed package"
}
echo "installed into $prefix/lib/tcltk/ReportApp and bin; loaded with TCLLIBPATH; suite passed"
