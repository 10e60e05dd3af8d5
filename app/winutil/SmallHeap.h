// The program's heap for small objects. A document holds some hundred thousand elements, each
// made of many small blocks (records, texts, lists, shared pointers); the system heap spends
// more on each of them than the rest of reading does. Every Windows program of ours links it
// in place of the standard operator new and delete.
#pragma once

#include <cstddef>

namespace WinUtil::SmallHeap {

// The largest request served from the small-object pools; larger ones go to the C heap.
constexpr std::size_t kLargest = 256;
// Every block is aligned to this, as operator new promises.
constexpr std::size_t kAlignment = 16;

// Whether the block came from the small-object pools (false for null and for the C heap's blocks).
bool Owns(const void* p);

// The bytes of address space the pools have taken so far (committed, never given back).
std::size_t CommittedBytes();

} // namespace WinUtil::SmallHeap
