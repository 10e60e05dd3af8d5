#!/usr/bin/env bash
# Real mouse drags (xdotool) through Wine's DoDragDrop for a probe program: the probe prints each
# drag it wants as "drag from-x from-y to-x to-y" or "drag N from-x from-y to-x to-y" (screen
# pixels), in order, checks the results itself and answers with its exit code.
# Arguments: the probe executable, the build root.
set -u
exe=$1
export QUORVEL_BUILD_DIR=$(cd "$2" && pwd)
export WINEPREFIX=${WINEPREFIX:-$QUORVEL_BUILD_DIR/test-wineprefix} WINEDEBUG=-all
work=$(mktemp -d)
probe=
fail() { echo "FAILED: $*"; [ -f "$work/out" ] && cat "$work/out"; exit 1; }
cleanup() {
  [ -n "$probe" ] && kill "$probe" 2>/dev/null && wait "$probe" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || fail "the test needs a display"

# One drag with the left button, in eight steps, held a moment at each end.
drag() {
  local fx=$1 fy=$2 tx=$3 ty=$4
  xdotool mousemove "$fx" "$fy"
  sleep 0.2
  xdotool mousedown 1
  for i in 1 2 3 4 5 6 7 8; do
    xdotool mousemove $((fx + (tx - fx) * i / 8)) $((fy + (ty - fy) * i / 8))
    sleep 0.1
  done
  sleep 0.3
  xdotool mouseup 1
}

# Through the test launcher, which ends the probe's editors with it whatever ends this test.
"$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine-exec" "$exe" </dev/null >"$work/out" 2>&1 &
probe=$!
done_drags=0
for _ in $(seq 1500); do
  kill -0 "$probe" 2>/dev/null || break
  line=$(tr -d '\r' <"$work/out" | grep '^drag ' | sed -n "$((done_drags + 1))p")
  if [ -n "$line" ]; then
    set -- $line
    [ $# = 6 ] && shift
    [ $# = 5 ] || fail "a drag line the driver cannot read: $line"
    sleep 0.5  # the probe's windows settle before the pointer moves
    drag "$2" "$3" "$4" "$5"
    done_drags=$((done_drags + 1))
  fi
  sleep 0.1
done
kill -0 "$probe" 2>/dev/null && fail "the probe did not end"
[ "$done_drags" -gt 0 ] || fail "the probe asked for no drag"
wait "$probe"
status=$?
probe=
cat "$work/out"
[ "$status" = 0 ] || fail "the probe ended with $status"
tr -d '\r' <"$work/out" | grep -qx "passed" || fail "no word from the probe"
echo "passed"
