#!/usr/bin/env bash
# The test launcher ends every Windows process that a program it ran started (a test's editors): at
# once when the launcher is stopped by a signal, and at the next launch when it was killed outright, as
# ctest ends a test past its time limit. A process of the prefix that no launch started is left running.
# Arguments: the test launcher (scripts/wine-exec), the probe program (hang_probe), the build root.
set -u
launcher=$1 probe=$2
export WINEPREFIX=${WINEPREFIX:-$(cd "$3" && pwd)/test-wineprefix} WINEDEBUG=-all
. "$(dirname "$launcher")/windows-kind"
windows_kind || exit 1
token=leftovers$$
runs=()
fail() { echo "FAILED: $*"; exit 1; }
# The probe's processes of the prefix whose command line carries the word $1, by id.
probes() {
  local p
  for p in $(grep -lazxF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ 2>/dev/null); do
    p=${p%/environ}
    grep -qaw -- "$1" "$p/cmdline" 2>/dev/null && echo "${p#/proc/}"
  done
}
# Waits until the probe of word $1 and its child both run (at most two minutes on a busy machine).
both_started() {
  for _ in $(seq 600); do
    [ "$(probes "$1" | wc -l)" -ge 2 ] && return 0
    sleep 0.2
  done
  return 1
}
cleanup() {
  local p
  for p in "${runs[@]}"; do kill -KILL "$p" 2>/dev/null; done
  for p in $(probes "$token"); do kill -KILL "$p" 2>/dev/null; done
}
trap cleanup EXIT

# A process of the prefix started without the launcher (a user's own) must survive every launch.
wine "$probe" hang "$token-own" </dev/null >/dev/null 2>&1 &
runs+=($!)
both_started "$token-own" || fail "the probe started without the launcher did not start its child"

# Stopped by a signal: the launcher ends the program and its child before it exits.
"$launcher" "$probe" hang "$token-term" </dev/null >/dev/null 2>&1 &
run=$!
runs+=($run)
both_started "$token-term" || fail "the probe did not start its child"
kill -TERM "$run"
wait "$run"
left=$(probes "$token-term" | wc -l)
[ "$left" = 0 ] || fail "a launch stopped by SIGTERM left $left of its Windows processes running"
echo "stopped by a signal: nothing left"

# Killed outright with what it started on the Unix side, as ctest does on a timeout: the child runs on
# (Wine starts it outside the launcher's process tree) until the next launch ends it.
"$launcher" "$probe" hang "$token-kill" </dev/null >/dev/null 2>&1 &
run=$!
runs+=($run)
both_started "$token-kill" || fail "the probe did not start its child"
tree=("$run")
for ((i = 0; i < ${#tree[@]}; i++)); do tree+=($(pgrep -P "${tree[i]}")); done
kill -STOP "${tree[@]}"
kill -KILL "${tree[@]}"
{ wait "$run"; } 2>/dev/null
orphans=$(probes "$token-kill" | wc -l)
echo "killed outright: $orphans of its Windows processes still running"
"$launcher" "$probe" quick </dev/null || fail "the next launch failed"
left=$(probes "$token-kill" | wc -l)
[ "$left" = 0 ] || fail "the next launch left $left Windows processes of the killed launch running"
echo "the next launch ended them"

[ "$(probes "$token-own" | wc -l)" = 2 ] || fail "a launch ended Windows processes it had not started"
echo "passed"
