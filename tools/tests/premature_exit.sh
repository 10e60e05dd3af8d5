#!/usr/bin/env bash
# The test launcher fails a test program that quits before its tests finish, even with exit code 0.
# Arguments: the test launcher (scripts/wine-exec), the probe program.
set -u
unset GTEST_FILTER GTEST_OUTPUT
out=$("$1" "$2" 2>&1)
status=$?
echo "$out"
grep -q 'OK \] PrematureExit.RunsBeforeTheExit' <<< "$out" || { echo "FAILED: the probe did not run"; exit 1; }
[ "$status" -ne 0 ] || { echo "FAILED: a run that quit early was reported as passed"; exit 1; }
echo "the early exit was reported: exit code $status"
