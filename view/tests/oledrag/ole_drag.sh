#!/usr/bin/env bash
# A real mouse drag (xdotool) through Wine's DoDragDrop from one view window to another: the probe
# prints the start and end points, checks the result and answers with its exit code.
# Arguments: the probe executable, the build root.
set -u
exe=$1
export QUORVEL_BUILD_DIR=$(cd "$2" && pwd)
export WINEPREFIX=$QUORVEL_BUILD_DIR/wineprefix WINEDEBUG=-all
work=$(mktemp -d)
probe=
fail() { echo "FAILED: $*"; exit 1; }
cleanup() {
  [ -n "$probe" ] && kill "$probe" 2>/dev/null && wait "$probe" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || fail "the test needs a display"

wine "$exe" </dev/null >"$work/out" 2>&1 &
probe=$!
for _ in $(seq 300); do grep -q '^drag ' "$work/out" && break; sleep 0.1; done
read -r _ fx fy tx ty < <(grep '^drag ' "$work/out" | tr -d '\r') || fail "the probe did not start: $(cat "$work/out")"
sleep 0.5
xdotool mousemove "$fx" "$fy"
sleep 0.2
xdotool mousedown 1
for i in 1 2 3 4 5 6 7 8; do
  xdotool mousemove $((fx + (tx - fx) * i / 8)) $((fy + (ty - fy) * i / 8))
  sleep 0.1
done
sleep 0.3
xdotool mouseup 1
wait "$probe"
status=$?
probe=
cat "$work/out"
[ "$status" = 0 ] || fail "the probe ended with $status"
tr -d '\r' <"$work/out" | grep -qx "passed" || fail "no word from the probe"
echo "passed"
