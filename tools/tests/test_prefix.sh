#!/usr/bin/env bash
# scripts/test beside an editor the user started with scripts/run: the tests run in a prefix of their
# own, and the run ends neither that editor nor a wine server it did not start. A scratch build root
# shares the built programs; its run prefix is a copy of the tests' prefix made for this check, its
# tests' prefix the tests' own, whose server (this entry's run's) the inner run must leave running.
# Argument: the build root.
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tests_prefix=${WINEPREFIX:-$build/test-wineprefix}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$tests_prefix "$root/scripts/wine-prefix" || exit 1
work=$(mktemp -d -p "$build")
pids=()
fail() { echo "FAILED: $*"; cat "$work/run.log" 2>/dev/null; exit 1; }
cleanup() {
  # The copy's server is the check's own: ending it ends the editor.
  export WINEPREFIX=$work/wineprefix
  [ -d "$WINEPREFIX" ] && { wineserver -k; wineserver -w; } 2>/dev/null
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# The wine server of a prefix (it works in a folder named by the prefix's device and inode), or nothing.
server_of() {
  local dir p
  dir=server-$(stat -L -c %D "$1")-$(printf %x "$(stat -L -c %i "$1")")
  for p in /proc/[0-9]*; do
    [[ $(readlink "$p/cwd" 2>/dev/null) == */"$dir" ]] && [[ $(cat "$p/comm" 2>/dev/null) == wineserver* ]] &&
      echo "${p#/proc/}"
  done
}

for d in windows windows64; do [ -d "$build/$d" ] && ln -s "$build/$d" "$work/$d"; done
ln -s "$tests_prefix" "$work/test-wineprefix"
# The run prefix: the tests' prefix hard-linked (temporary files other tests remove meanwhile may be
# missed), its registry copied (each server rewrites its own); the run script is kept from adding a
# printer.
cp -al "$tests_prefix" "$work/wineprefix" 2>/dev/null
for f in system.reg user.reg userdef.reg; do
  cp --remove-destination "$tests_prefix/$f" "$work/wineprefix/$f" || fail "the prefix could not be copied"
done
touch "$work/wineprefix/.quorvel-printer"
# The tests' server writes the installation into the registry only when it exits, and in a fresh
# build root the other tests keep it running: the run installs the package into the copy itself,
# into folders of the copy's own (the hard links of the installed files are dropped first, so that
# the install cannot write into the files the tests run).
rm -rf "$work/wineprefix"/.quorvel-msi-* "$work/wineprefix/drive_c/Program Files/Quorvel" \
  "$work/wineprefix/drive_c/Program Files (x86)/Quorvel"

. "$root/scripts/own-display"
start_own_display bare || exit 1
QUORVEL_BUILD_DIR=$work QUORVEL_NO_BUILD=1 "$root/scripts/run" </dev/null >"$work/run.log" 2>&1 &
editor=$!
title=' - Quorvel - Class Diagram$'
# The first start in a fresh copy of the prefix can take a minute on a loaded machine: the limit only
# tells a start that hangs.
timeout 150 xdotool search --sync --onlyvisible --name "$title" >/dev/null || fail "the user's editor did not appear"
server=$(server_of "$tests_prefix")

out=$(env -u DISPLAY QUORVEL_BUILD_DIR="$work" QUORVEL_NO_BUILD=1 QUORVEL_NO_RERUN=1 QUORVEL_CONFIGS=windows \
        QUORVEL_TESTS='^windows\.platform_tests$' "$root/scripts/test" 2>&1)
status=$?
echo "$out" | tail -n 4
[ "$status" = 0 ] && grep -q '^100% tests passed' <<<"$out" || fail "the test run failed"
kill -0 "$editor" 2>/dev/null || fail "the user's editor was ended"
xdotool search --onlyvisible --name "$title" >/dev/null || fail "the user's editor lost its window"
[ -z "$server" ] || [ "$(server_of "$tests_prefix")" = "$server" ] || fail "the wine server the run found was ended"
echo "passed"
