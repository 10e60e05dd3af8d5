#!/usr/bin/env bash
# The 32-bit and the 64-bit build write the same bytes: the same scenes exported as EMF, WMF and PNG
# (with their figure lists), and the same generated class diagram saved as a document, compared file
# by file (EMF record by record, without the fields the system's own metafile writer fills in). Runs where both builds are built and both Wine loaders start (a machine that runs both,
# with QUORVEL_WINDOWS_BITS=64 scripts/test after a 32-bit run); elsewhere it is skipped (77).
# Argument: the build root.
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/scripts/windows-kind"
for bits in 32 64; do
  dir=$build/windows; [ $bits = 64 ] && dir=$build/windows64
  for p in Editor/export_scene.exe elements/class/win/class_bench.exe; do
    [ -f "$dir/$p" ] || { echo "SKIP: $dir/$p is not built"; exit 77; }
  done
done
wine32_starts && wine64_starts || { echo "SKIP: this machine does not start both Wine loaders"; exit 77; }
work=$(mktemp -d -p "$build")
trap 'rm -rf "$work"' EXIT
for bits in 32 64; do
  dir=$build/windows; [ $bits = 64 ] && dir=$build/windows64
  mkdir -p "$work/$bits"
  (cd "$work/$bits" && QUORVEL_WINDOWS_BITS=$bits "$root/scripts/wine-exec" "$dir/Editor/export_scene.exe" </dev/null) >"$work/$bits.log" 2>&1 ||
    { echo "FAILED: the $bits-bit export scene failed"; cat "$work/$bits.log"; exit 1; }
  (cd "$work/$bits" && QUORVEL_WINDOWS_BITS=$bits "$root/scripts/wine-exec" "$dir/elements/class/win/class_bench.exe" \
     --associations --rows 2 --write classes.qvd </dev/null) >>"$work/$bits.log" 2>&1 ||
    { echo "FAILED: the $bits-bit class document was not written"; cat "$work/$bits.log"; exit 1; }
done
files=$(cd "$work/32" && ls)
[ -n "$files" ] || { echo "FAILED: nothing was written"; exit 1; }
failures=0
for f in $files; do
  case $f in
    *.emf) difference=$(python3 "$root/tools/tests/emf_compare.py" "$work/32/$f" "$work/64/$f" 2>&1) ;;
    *) difference=$(cmp "$work/32/$f" "$work/64/$f" 2>&1) ;;
  esac
  if [ -n "$difference" ]; then
    echo "FAILED: $f differs between the 32-bit and the 64-bit build: $difference"
    failures=$((failures + 1))
  fi
done
[ "$(cd "$work/64" && ls)" = "$files" ] || { echo "FAILED: the builds wrote other files"; failures=$((failures + 1)); }
[ $failures = 0 ] && echo "the same bytes in both builds:" $files || exit 1
