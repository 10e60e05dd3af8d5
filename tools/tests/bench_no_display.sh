#!/usr/bin/env bash
# The Windows benchmarks that make windows, started without a display: each stops at once, says that
# it needs a display, and ends with exit code 1, not an uncaught exception. (The others draw off
# screen and run without one.) Arguments: scripts/wine-exec, the benchmark programs.
set -u
wine_exec=$1
shift
failures=0
for exe in "$@"; do
  name=$(basename "$exe" .exe)
  out=$(env -u DISPLAY timeout 120 "$wine_exec" "$exe" 2>&1 >/dev/null)
  status=$?
  echo "$name: exit $status: $out"
  [ "$status" = 1 ] && grep -q "^$name needs a display and has none" <<<"$out" ||
    { echo "FAILED: $name"; failures=$((failures + 1)); }
done
[ $failures = 0 ] && echo "every benchmark said so" || exit 1
