#!/usr/bin/env bash
# Runs the small-disk saves of editor_tests on a tmpfs of 512 KB mounted here for them, reached
# through drive Z:, and the saves into a folder that allows no new file: a folder made immutable
# (chattr +i) on a second such disk, holding the files a.qvd and b.qvd, into which files can still be
# written. Mounting needs root; without it the test is skipped (exit 77).
# Arguments: the test program, the build root.
set -u
exe=$1
export QUORVEL_BUILD_DIR=$(cd "$2" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
[ "$(id -u)" = 0 ] || { echo "SKIPPED: mounting a tmpfs needs root"; exit 77; }
disk=$(mktemp -d)
second=$(mktemp -d)
mounted=()
cleanup() {
  # Unmounting drops the immutable folder with its disk.
  for m in "${mounted[@]}"; do umount "$m"; done
  rmdir "$disk" "$second"
}
trap cleanup EXIT
for m in "$disk" "$second"; do
  mount -t tmpfs -o size=512k,mode=0777 quorvel-small-disk "$m" || { echo "SKIPPED: no tmpfs could be mounted"; exit 77; }
  mounted+=("$m")
done
export QUORVEL_SMALL_DISK="Z:${disk//\//\\}"
filter='SmallDisk.*'
locked=$second/locked
mkdir -m 0777 "$locked" && touch "$locked/a.qvd" "$locked/b.qvd" && chmod 0666 "$locked"/*.qvd
if chattr +i "$locked" 2>/dev/null; then
  export QUORVEL_LOCKED_FOLDER="Z:${locked//\//\\}"
  filter="$filter:LockedFolder.*:EditorEndToEnd.*LockedFolder*"
else
  echo "no folder could be made immutable here: the saves into one are skipped"
fi
"$root/scripts/wine-exec" "$exe" --gtest_filter="$filter"
