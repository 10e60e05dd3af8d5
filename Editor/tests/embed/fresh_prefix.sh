#!/usr/bin/env bash
# Runs the FreshPrefix cases of embed_tests in a Wine prefix made for them alone: created, the
# editor installed from its package as a user installs it, the container's steps run, the prefix
# removed. Arguments: the test program, the package, its source (.wxs), a work folder.
set -u
exe=$1
msi=$2
wxs=$3
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
mkdir -p "$4"
export WINEPREFIX=$(cd "$4" && pwd)/fresh-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
remove() { rm -rf "$WINEPREFIX" "$WINEPREFIX.lock" "$WINEPREFIX.msi.lock"; }
cleanup() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  remove
}
remove
trap cleanup EXIT
start=$SECONDS
# The wine server and Wine's services of this prefix must not hold the caller's output open.
"$root/scripts/install-msi" "$msi" "$wxs" </dev/null >/dev/null 2>&1 || { echo "FAIL: the installation failed"; exit 1; }
echo "prefix made and the editor installed in $((SECONDS - start)) s"
QUORVEL_FRESH_PREFIX=1 wine "$exe" --gtest_filter='FreshPrefix.*' </dev/null
status=$?
echo "fresh prefix test took $((SECONDS - start)) s"
exit $status
