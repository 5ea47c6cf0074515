#!/usr/bin/env bash
# Installs what is missing, builds Korvane with its tests, and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

BUILD=${KORVANE_BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD"
ctest --test-dir "$BUILD" --output-on-failure -j"$(nproc)" "$@"
