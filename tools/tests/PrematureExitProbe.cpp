// A test program that ends its process with exit code 0 in the middle of its run, as code under test
// that quits would: the test launcher must report the run as failed.
#include <gtest/gtest.h>

#include <cstdlib>

TEST(PrematureExit, RunsBeforeTheExit) { SUCCEED(); }

TEST(PrematureExit, EndsTheProcessWithSuccess) { std::exit(0); }

TEST(PrematureExit, NeverRuns) { FAIL() << "the process went on after exit(0)"; }
