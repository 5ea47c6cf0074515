#!/bin/bash
# wine-run.sh WINE PROGRAM [ARGS...]: runs a cross-built test program under
# Wine. Now and then Wine fails to start a program at all -- it exits within
# milliseconds having printed nothing, its own errors hidden by WINEDEBUG=-all
# -- while the same program starts fine the next time. A test program always
# prints before it tests anything, so a failure with no output that came
# within about a second is Wine's, and is tried once more, said so; a program
# that ran and failed, or that ran a while before failing, is not. The output
# goes out as it comes, so a program the test driver kills for taking too
# long leaves its whole log.
wine=$1
shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT
run() {
  local start end
  start=$(date +%s%N)
  "$wine" "$@" 2>&1 | tee "$out"
  status=${PIPESTATUS[0]}
  end=$(date +%s%N)
  took_ms=$(((end - start) / 1000000))
}
run "$@"
if [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ "$took_ms" -lt 1000 ]; then
  echo "wine-run: Wine did not start $1 (exit $status, no output within ${took_ms} ms); starting it once more"
  run "$@"
fi
exit "$status"
