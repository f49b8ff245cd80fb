#!/usr/bin/env bash
# tests/run_all.sh [BUILD_DIR] - the whole test suite, from a fresh machine.
#
# Installs what the test suite needs and the machine lacks (Debian
# packages: cmake, g++, make, python3, libgtest-dev; through sudo when not
# root), then configures BUILD_DIR (default build/) as a release build
# with warnings as errors, builds everything and runs every test.  This is
# the README's second quick-start command and the first step of .ci/run.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

need=()
command -v cmake >/dev/null 2>&1 || need+=(cmake)
command -v g++ >/dev/null 2>&1 || need+=(g++)
command -v make >/dev/null 2>&1 || need+=(make)
command -v python3 >/dev/null 2>&1 || need+=(python3)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
if [ ${#need[@]} -gt 0 ]; then
  if ! command -v apt-get >/dev/null 2>&1; then
    echo "run_all.sh: install ${need[*]} (no apt-get here to do it)" >&2
    exit 1
  fi
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${need[@]}"
fi

jobs=$(nproc 2>/dev/null || echo 2)
# Tests on, and GoogleTest looked for again should an earlier configure
# have been told to hide it.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTSN_WERROR=ON -DTSN_TESTS=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=OFF
cmake --build "$build" -j"$jobs"
# A configure step that did not find GoogleTest builds no test program.
[ -x "$build/bin/tsn_tests" ] || { echo "run_all.sh: GoogleTest was not found" >&2; exit 1; }
ctest --test-dir "$build" --output-on-failure -j"$jobs"
