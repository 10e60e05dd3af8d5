#!/usr/bin/env bash
# Every script that picks the Windows build (those that source scripts/windows-kind) answers an
# unknown QUORVEL_WINDOWS_BITS alike: exit code 2, words that name the variable and its values (32
# and 64) and do not blame the machine, before any Wine loader is tried or anything is built.
# Argument: the scripts folder.
set -u
scripts=$(realpath "$1")
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
mkdir -p "$fake/bin" "$fake/build"
# Loaders and a wine that note every start: none may be reached.
for tool in loader32 loader64 bin/wine bin/wine64 bin/xvfb-run bin/Xvfb bin/cmake bin/ninja; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/started"\n' "$tool" "$fake" > "$fake/$tool"
  chmod +x "$fake/$tool"
done
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
for value in 7 32bit " 64"; do
  for script in run test build bench-drag bench-open wine-exec add-printer install-msi wine-prefix; do
    rm -f "$fake/started"
    said=$(cd "$fake" && QUORVEL_WINDOWS_BITS=$value QUORVEL_BUILD_DIR=$fake/build QUORVEL_NO_BUILD=1 \
           QUORVEL_WINE32_LOADER=$fake/loader32 QUORVEL_WINE64_LOADER=$fake/loader64 DISPLAY=:fake \
           PATH="$fake/bin:/usr/bin:/bin" timeout 60 bash "$scripts/$script" a.qvd b.wxs </dev/null 2>&1)
    status=$?
    what="$script with QUORVEL_WINDOWS_BITS='$value'"
    [ "$status" = 2 ] || fail "$what: exit code $status, not 2: $said"
    grep -q "QUORVEL_WINDOWS_BITS" <<< "$said" && grep -q "32" <<< "$said" && grep -q "64" <<< "$said" ||
      fail "$what does not name the variable and its values: $said"
    grep -qi "machine" <<< "$said" && fail "$what blames the machine: $said"
    [ -e "$fake/started" ] && fail "$what started $(tr '\n' ';' < "$fake/started")"
  done
done
[ $failures = 0 ] && echo "every script refuses an unknown QUORVEL_WINDOWS_BITS in words" || {
  echo "$failures cases failed"; exit 1; }
