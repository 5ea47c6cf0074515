#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UBSan) and runs one
# of them, or each in turn, for a fixed time on its committed seed corpus.
#   fuzz/run.sh TARGET SECONDS     TARGET: http_response listing_page cookie url verdict
#   fuzz/run.sh all SECONDS
# New inputs go to build-fuzz/corpus/TARGET (not committed); a finding stops
# the run with a non-zero exit and leaves its input in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

TARGETS=(http_response listing_page cookie url verdict)
target=${1:?"usage: fuzz/run.sh TARGET|all SECONDS"}
seconds=${2:?"usage: fuzz/run.sh TARGET|all SECONDS"}
BUILD=${KORVANE_FUZZ_BUILD_DIR:-build-fuzz}

cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKORVANE_FUZZ=ON -DKORVANE_WERROR=ON >/dev/null
cmake --build "$BUILD" -j"${KORVANE_JOBS:-2}"

# Longest input per target, used from the start: a response with redirects,
# cookies and chunks, or a listing page with a few items, needs room.
max_len() {
  case $1 in
    http_response) echo 4096 ;;
    listing_page) echo 8192 ;;
    verdict) echo 2048 ;; # a shop of a few pages, each page's behaviour drawn
    *) echo 1024 ;;
  esac
}

run_one() { # name
  local name=$1
  local work="$BUILD/corpus/$name" findings="$BUILD/findings/$name"
  mkdir -p "$work" "$findings"
  echo "== fuzz $name for ${seconds}s"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$BUILD/fuzz/fuzz_$name" -max_total_time="$seconds" -max_len="$(max_len "$name")" \
    -len_control=0 -timeout=30 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$work" "fuzz/corpus/$name"
}

if [[ "$target" == all ]]; then
  for t in "${TARGETS[@]}"; do run_one "$t"; done
  # A finding has ended the script before this line.
  echo "fuzz: ${#TARGETS[@]} passed, 0 failed"
else
  [[ " ${TARGETS[*]} " == *" $target "* ]] || { echo "unknown target: $target" >&2; exit 2; }
  run_one "$target"
fi
