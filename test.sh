#!/usr/bin/env bash
# Installs what is missing, builds Korvane with its tests, and runs every test:
# once in the normal build, then again under AddressSanitizer and
# UndefinedBehaviorSanitizer (skip that second round with KORVANE_QUICK=1).
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

jobs=$(nproc)

build_and_test() { # dir, extra cmake arguments...
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

echo "== normal build"
build_and_test build
if [[ "${KORVANE_QUICK:-0}" != 1 ]]; then
  echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build_and_test build-asan -DKORVANE_SANITIZER=address -DKORVANE_BUILD_BENCH=OFF
fi
