#!/usr/bin/env bash
# Installs what is missing, builds Korvane and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh

BUILD=${KORVANE_BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" --target Korvane
exec "$BUILD/src/Korvane"
