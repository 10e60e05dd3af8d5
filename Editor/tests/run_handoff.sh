#!/usr/bin/env bash
# scripts/run without a display while the editor runs on another display of the same prefix: the
# file goes to that editor and the script says so.
# Arguments: the editor executable, the build root.
set -u
exe=$1
export QUORVEL_BUILD_DIR=$(cd "$2" && pwd)
# The tests' prefix (scripts/run is pointed at it too), never the user's.
export WINEPREFIX=${WINEPREFIX:-$QUORVEL_BUILD_DIR/test-wineprefix} WINEDEBUG=-all
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
editor=
fail() { echo "FAILED: $*"; exit 1; }
cleanup() {
  [ -n "$editor" ] && kill "$editor" 2>/dev/null && wait "$editor" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || fail "the test needs a display"
: > "$work/first.qvd"
: > "$work/second.qvd"

# Through the test launcher, which ends the editor with the launcher whatever ends this test.
"$root/scripts/wine-exec" "$exe" "$(winepath -w "$work/first.qvd")" </dev/null >/dev/null 2>&1 &
editor=$!
timeout 30 xdotool search --sync --onlyvisible --name '^first(\.qvd)? - Quorvel - Class Diagram$' >/dev/null ||
  fail "the editor's window did not appear"

out=$(env -u DISPLAY QUORVEL_NO_BUILD=1 QUORVEL_WINEPREFIX=$WINEPREFIX timeout 60 "$root/scripts/run" "$work/second.qvd" 2>&1)
status=$?
echo "$out"
[ "$status" = 0 ] || fail "scripts/run ended with $status"
grep -qxF "handed to the running editor on display $DISPLAY" <<<"$out" || fail "no word of the hand-off"
grep -q "No display" <<<"$out" && fail "a display of its own was started"
timeout 30 xdotool search --sync --onlyvisible --name '^second(\.qvd)? - Quorvel - Class Diagram$' >/dev/null ||
  fail "the running editor did not open the file"
echo "passed"
