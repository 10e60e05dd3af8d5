#!/usr/bin/env bash
# scripts/setup against a package system that fails in chosen ways (apt-get, dpkg and dpkg-query
# replaced by scripted ones): a failed index update is let through when the install succeeds, either
# LibreOffice Draw satisfies the need, and only packages that cannot be installed fail the run.
# Argument: scripts/setup.
set -u
setup=$1
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT
cat > "$fake/dpkg-query" <<'SH'
#!/usr/bin/env bash
# Installed: everything except the names in FAKE_MISSING.
for p in $FAKE_MISSING; do [ "$p" = "${!#}" ] && exit 1; done
printf 'install ok installed'
SH
cat > "$fake/dpkg" <<'SH'
#!/usr/bin/env bash
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
SH
cat > "$fake/apt-get" <<'SH'
#!/usr/bin/env bash
echo "apt-get $*" >> "$FAKE_LOG"
case $1 in
  update) [ "$FAKE_UPDATE" = ok ] || { echo "E: Failed to fetch .../Packages.xz  File has unexpected size" >&2; exit 100; } ;;
  install)
    case $FAKE_INSTALL in
      ok) exit 0 ;;
      release) [[ " $* " == *" -t "* ]] && exit 0; echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;;
      *) echo "E: Unable to locate package" >&2; exit 100 ;;
    esac ;;
esac
SH
printf '#!/bin/sh\nexec "$@"\n' > "$fake/sudo"
chmod +x "$fake"/*
failures=0
# run NAME MISSING UPDATE INSTALL: runs setup; leaves its exit code, output and apt-get calls.
run() {
  export FAKE_MISSING=$2 FAKE_UPDATE=$3 FAKE_INSTALL=$4 FAKE_LOG=$fake/log
  : > "$FAKE_LOG"
  out=$(PATH="$fake:$PATH" bash "$setup" 2>&1)
  status=$?
  calls=$(cat "$FAKE_LOG")
  echo "== $1: exit $status"
  echo "$out" | sed 's/^/   /'
}
check() { eval "$2" || { echo "FAILED: $1"; failures=$((failures + 1)); }; }

run "full LibreOffice Draw in place of the one without interface" "libreoffice-draw-nogui" ok ok
check "nothing to install" '[ $status = 0 ] && [ -z "$calls" ]'

run "index update fails, install succeeds" "xdotool libreoffice-draw-nogui libreoffice-draw" fail ok
check "succeeds" '[ $status = 0 ]'
check "the failed update is reported" 'grep -q "updating the package indexes failed" <<< "$out"'
check "only what is missing is installed" 'grep -q "install .* xdotool libreoffice-draw-nogui$" <<< "$calls"'

run "index update fails, the architectures' versions out of step" "wine32:i386" fail release
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [ -n "$release" ]; then
  check "succeeds with the release's own versions" '[ $status = 0 ] && grep -q "install .*-t $release" <<< "$calls"'
else
  check "fails without a release name" '[ $status = 1 ]'
fi

run "index updated, package not to be had" "xdotool" ok fail
check "fails and names the package" '[ $status = 1 ] && grep -q "could not install: xdotool" <<< "$out"'
check "no second try" '[ $(grep -c install <<< "$calls") = 1 ]'

run "index update fails, nothing installs" "xdotool" fail fail
check "fails" '[ $status = 1 ] && grep -q "could not install" <<< "$out"'

[ $failures = 0 ] && echo "every case as expected" || { echo "$failures checks failed"; exit 1; }
