#!/usr/bin/env bash
# scripts/windows-kind against stand-in Wine loaders: the Windows build is chosen by which loader
# starts, QUORVEL_WINDOWS_BITS forces either, the 64-bit choice puts the wrappers of the 64-bit
# loader first on PATH, and a machine where the chosen loader cannot start is told so in words.
# Argument: scripts/windows-kind.
set -u
kind=$(realpath "$1")
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
# A loader that starts and names itself, and one that fails as a kernel without 32-bit programs does.
printf '#!/bin/sh\necho "loader %s $*"\n' 32 > "$fake/starts32"
printf '#!/bin/sh\necho "loader %s $*"\n' 64 > "$fake/starts64"
printf '#!/bin/sh\necho "cannot execute: Exec format error" >&2\nexit 126\n' > "$fake/fails"
# The system's own wine, which a 64-bit choice must not reach.
mkdir "$fake/bin"
printf '#!/bin/sh\necho "system wine $*"\n' > "$fake/bin/wine"
chmod +x "$fake"/* "$fake/bin/wine"
failures=0
# case LOADER32 LOADER64 FORCED = STATUS CONFIG WINE: what windows_kind answers, sets, and what `wine` runs.
case_() {
  local got expected="$5|$6|$7"
  : > "$fake/said"
  got=$(env -u QUORVEL_WINDOWS_CONFIG QUORVEL_WINE32_LOADER=$1 QUORVEL_WINE64_LOADER=$2 QUORVEL_WINDOWS_BITS=$3 PATH="$fake/bin:/usr/bin:/bin" bash -c '
    . "$0"; windows_kind 2>"'"$fake"'/said"; status=$?
    printf "%s|%s|%s" "$status" "${QUORVEL_WINDOWS_CONFIG:-}" "$( [ "$status" = 0 ] && [ "$QUORVEL_WINDOWS_BITS" = 64 ] && wine x.exe)"' "$kind" 2>>"$fake/said") ||
    got="$?||"  # an unknown value stops the script that sources the file, with its words
  [ "$got" = "$expected" ] || { echo "FAILED: $1 $2 '$3': got $got, expected $expected"; failures=$((failures + 1)); }
  if [ "$5" != 0 ] && ! grep -q "[a-z]" "$fake/said"; then
    echo "FAILED: $1 $2 '$3': refused without a word"; failures=$((failures + 1))
  fi
  # A loader that fails or is missing: the words name the next step (a script or a setting to use).
  if [ "$5" = 1 ] && ! grep -q "scripts/\|QUORVEL_" "$fake/said"; then
    echo "FAILED: $1 $2 '$3': refused without a next step: $(cat "$fake/said")"; failures=$((failures + 1))
  fi
}
case_ "$fake/starts32" "$fake/starts64" "" = 0 windows ""
case_ "$fake/fails" "$fake/starts64" "" = 0 windows64 "loader 64 x.exe"
case_ "$fake/missing" "$fake/starts64" "" = 0 windows64 "loader 64 x.exe"
case_ "$fake/starts32" "$fake/starts64" 64 = 0 windows64 "loader 64 x.exe"
case_ "$fake/fails" "$fake/starts64" 32 = 1 windows ""
case_ "$fake/fails" "$fake/fails" "" = 1 windows64 ""
case_ "$fake/missing" "$fake/missing" "" = 1 windows ""
case_ "$fake/starts32" "$fake/starts64" 16 = 2 "" ""
[ $failures = 0 ] && echo "every case as expected" || { echo "$failures cases failed"; exit 1; }
