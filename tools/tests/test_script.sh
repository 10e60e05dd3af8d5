#!/usr/bin/env bash
# scripts/test's closing line against a test project of stand-in tests: it says whether the run
# passed, which tests failed, and which passed only when run again alone after a parallel failure.
# Argument: scripts/test.
set -u
script=$(realpath "$1")
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
mkdir -p "$t/fake"
cat > "$t/fake/CTestTestfile.cmake" <<TESTS
add_test(fake.flaky sh -c "test -f $t/ran || { touch $t/ran; exit 1; }")
add_test(fake.steady true)
add_test(fake.broken false)
TESTS
failures=0
# case PATTERN [VAR=VALUE...] = LAST-LINE: the last line scripts/test prints for the tests matching.
case_() {
  local pattern=$1 vars=() got
  shift
  while [ "$1" != = ]; do vars+=("$1"); shift; done
  rm -f "$t/ran"
  got=$(env -u QUORVEL_NO_RERUN "${vars[@]}" QUORVEL_BUILD_DIR="$t" QUORVEL_NO_BUILD=1 QUORVEL_CONFIGS=fake QUORVEL_TESTS="$pattern" \
        bash "$script" 2>&1 | tail -n1)
  [ "$got" = "$2" ] || { echo "FAILED: $pattern ${vars[*]}: got '$got', expected '$2'"; failures=$((failures + 1)); }
}
case_ steady = "scripts/test: passed, 1 tests"
case_ 'steady|flaky' = "scripts/test: passed, 2 tests (fake.flaky failed in the parallel run and passed run again alone)"
case_ . = "scripts/test: FAILED: fake.broken (of 3 tests; run again alone after failing in the parallel run: fake.broken fake.flaky)"
case_ . QUORVEL_NO_RERUN=1 = "scripts/test: FAILED: fake.broken fake.flaky (of 3 tests)"
[ $failures = 0 ] && echo "every case as expected" || { echo "$failures cases failed"; exit 1; }
