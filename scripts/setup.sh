#!/usr/bin/env bash
# The Debian packages the project needs, and the steps the other scripts
# share. Sourced by demo.sh and test.sh; run on its own it installs what is
# missing (as root) and exits:
#   scripts/setup.sh
set -euo pipefail

# Every Debian package the build, the tests and the further test passes
# need: this list is the one place that names them (the README repeats it).
#   building:                          cmake g++ make tcl tcl-dev nlohmann-json3-dev
#   C++ tests and benchmarks:          libgtest-dev libgmock-dev libbenchmark-dev libxml2-dev
#   threaded Tcl tests, parallel runs: tcl-thread parallel
#   browser tests of the reports:      chromium
#   ThreadSanitizer and fuzzing:       clang
#   SystemC reference of quantizer:    libsystemc-dev
#   testbench writers, FIR example:    iverilog verilator ghdl python3 (the test drivers)
#   waveforms:                         gtkwave xvfb
#   CI documents (JUnit schema, Markdown, CI examples): libxml2-utils cmark-gfm python3-yaml
#                                      python3-pytest
#   the Slurm cluster test:            slurm-wlm munge
#   the Python package:                pybind11-dev python3-dev python3-numpy python3-pytest
reportapp_packages=(cmake g++ make tcl tcl-dev nlohmann-json3-dev libgtest-dev libgmock-dev
  libbenchmark-dev libxml2-dev tcl-thread parallel chromium clang libsystemc-dev iverilog verilator
  ghdl python3 gtkwave xvfb libxml2-utils cmark-gfm python3-yaml python3-pytest slurm-wlm munge
  pybind11-dev python3-dev python3-numpy imagemagick)

# Announces a stage, so that a long silent step is not taken for a hang.
reportapp_stage() {
  echo "== $*"
}

# Installs the packages above that are missing, when we may (root);
# otherwise names them and fails.
reportapp_setup() {
  reportapp_stage "checking the Debian packages"
  local missing=()
  for pkg in "${reportapp_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} (install them, or run this script as root)" >&2
    return 1
  fi
  reportapp_stage "installing ${missing[*]} (this can take several minutes)"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

# Configures and builds into the given folder with the given CMake options;
# the first word names the build in the announcements.
reportapp_build() {
  local what=$1 dir=$2
  shift 2
  reportapp_stage "configuring the $what build in ${dir#"$REPORTAPP_ROOT"/}/"
  cmake -S "$REPORTAPP_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  reportapp_stage "building the $what build (a first build takes a few minutes)"
  cmake --build "$dir" -j "$(nproc)"
}

REPORTAPP_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  case "${1:-}" in
    "") reportapp_setup && echo "All packages are installed." ;;
    --help | -h)
      echo "Usage: scripts/setup.sh"
      echo "Installs the Debian packages the project needs that are missing (run it as root):"
      echo "  ${reportapp_packages[*]}"
      ;;
    *)
      echo "scripts/setup.sh: unknown option \"$1\" (see --help)" >&2
      exit 2
      ;;
  esac
fi
