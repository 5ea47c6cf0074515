#!/bin/sh
# wine-run.sh WINE PROGRAM [ARGS...]: runs a cross-built test program under
# Wine. Now and then Wine fails to start a program at all -- it exits within
# milliseconds having printed nothing, its own errors hidden by WINEDEBUG=-all
# -- while the same program starts fine the next time. A test program always
# prints before it tests anything, so a failure with no output at all is
# Wine's, and is tried once more, said so; a program that ran and failed is not.
wine=$1
shift
out=$(mktemp)
"$wine" "$@" >"$out" 2>&1
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$out" ]; then
  echo "wine-run: Wine did not start $1 (exit $status, no output); starting it once more"
  "$wine" "$@" >"$out" 2>&1
  status=$?
fi
cat "$out"
rm -f "$out"
exit "$status"
