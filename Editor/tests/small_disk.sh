#!/usr/bin/env bash
# Runs the small-disk saves of editor_tests on a tmpfs of 512 KB mounted here for them, reached
# through drive Z:. Mounting needs root; without it the test is skipped (exit 77).
# Arguments: the test program, the build root.
set -u
exe=$1
export QUORVEL_BUILD_DIR=$(cd "$2" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ "$(id -u)" = 0 ] || { echo "SKIPPED: mounting a tmpfs needs root"; exit 77; }
disk=$(mktemp -d)
mounted=
cleanup() {
  [ -n "$mounted" ] && umount "$disk"
  rmdir "$disk"
}
trap cleanup EXIT
mount -t tmpfs -o size=512k,mode=0777 quorvel-small-disk "$disk" || { echo "SKIPPED: no tmpfs could be mounted"; exit 77; }
mounted=1
export QUORVEL_SMALL_DISK="Z:${disk//\//\\}"
"$root/scripts/wine-exec" "$exe" --gtest_filter='SmallDisk.*'
