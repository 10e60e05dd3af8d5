#pragma once
// The compiled line-break property table, generated at build time from the Unicode Character Database.
#include <cstdint>

namespace TextBlock {

// Sorted runs, each (first code point << kLineBreakShift) | flags | LineBreakClass; a run lasts until the next one.
extern const std::uint32_t kLineBreakRuns[];
// Number of entries of kLineBreakRuns.
extern const unsigned kLineBreakRunCount;

inline constexpr unsigned kLineBreakShift = 9;
inline constexpr std::uint32_t kLineBreakClassMask = 0x3F;
// East Asian width Fullwidth, Wide or Halfwidth.
inline constexpr std::uint32_t kLineBreakWide = 0x40;
// Extended pictographic and not yet assigned.
inline constexpr std::uint32_t kLineBreakPictographicUnassigned = 0x80;
// Complex context (South East Asian scripts), stored as alphabetic or combining mark.
inline constexpr std::uint32_t kLineBreakComplexContext = 0x100;

}  // namespace TextBlock
