#!/usr/bin/env bash
# Installs what is missing, builds Korvane with its tests, and runs every test:
# once in the normal build, then again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target for a short while (skip
# those last two steps with KORVANE_QUICK=1). The soak test (label "soak") is
# left out; README says how to run it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

jobs=$(nproc)

build_and_test() { # dir, extra cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" -LE soak
}

echo "== normal build"
build_and_test build
if [[ "${KORVANE_QUICK:-0}" != 1 ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build_and_test build-asan -DKORVANE_SANITIZER=address -DKORVANE_BUILD_BENCH=OFF
fi
if [[ "${KORVANE_QUICK:-0}" != 1 ]]; then
  echo "== fuzz targets, ${KORVANE_FUZZ_SECONDS:-20}s each"
  KORVANE_JOBS="$jobs" ./fuzz/run.sh all "${KORVANE_FUZZ_SECONDS:-20}"
fi
