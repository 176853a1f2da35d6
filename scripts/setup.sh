#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing and we
# may install them (root). Sourced by the other scripts.
set -euo pipefail

reportapp_packages=(cmake g++ make tcl tcl-dev libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev libxml2-dev parallel chromium)

reportapp_setup() {
  local missing=()
  for pkg in "${reportapp_packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} (install them, or run this script as root)" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Configures and builds into the given folder with the given CMake options.
reportapp_build() {
  local dir=$1
  shift
  cmake -S "$REPORTAPP_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

REPORTAPP_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
