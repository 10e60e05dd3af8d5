#pragma once
// The compiled line-break class table, generated at build time from LineBreak.txt.
#include <cstdint>

namespace TextBlock {

// Sorted runs, each (first code point << 8) | LineBreakClass; a run lasts until the next one.
extern const std::uint32_t kLineBreakRuns[];
// Number of entries of kLineBreakRuns.
extern const unsigned kLineBreakRunCount;

}  // namespace TextBlock
