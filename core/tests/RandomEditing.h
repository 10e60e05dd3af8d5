// The driver of the seeded random editing tests: runs sequences of random steps, each followed by
// the editor's own check, and reports the first failure with its seed and the steps that led to it.
// QUORVEL_RANDOM_SEQUENCES sets how many sequences run, QUORVEL_RANDOM_SEED runs one seed alone.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

namespace RandomEditing {

// The number of sequences: QUORVEL_RANDOM_SEQUENCES, or the default.
inline int Sequences(int byDefault) {
  const char* n = std::getenv("QUORVEL_RANDOM_SEQUENCES");
  return n != nullptr ? std::max(1, std::atoi(n)) : byDefault;
}

// Runs Editor(seed).Step() (answers what it did) and Editor::Check() (answers a failure, empty when
// sound) `steps` times for every seed; stops at the first failure, reported with its seed.
template <class Editor>
void Run(int defaultSequences, int steps) {
  const char* only = std::getenv("QUORVEL_RANDOM_SEED");
  const int first = only != nullptr ? std::atoi(only) : 1;
  const int last = only != nullptr ? first : Sequences(defaultSequences);
  for (int seed = first; seed <= last; ++seed) {
    Editor editor(static_cast<std::uint32_t>(seed));
    std::string log;
    for (int step = 0; step < steps; ++step) {
      std::string failure;
      try {
        log += editor.Step() + " ";
        failure = editor.Check();
      } catch (const std::exception& e) {
        failure = std::string("exception: ") + e.what();
      }
      if (!failure.empty()) {
        ADD_FAILURE() << "seed " << seed << ", step " << step << " (" << log << "): " << failure;
        return;
      }
    }
  }
}

}  // namespace RandomEditing
