// Pools of equal-sized blocks for requests up to kLargest bytes, carved from one reserved range
// of address space, so that freeing finds a block's pool from its address alone. Freed blocks are
// kept for reuse in their pool and never given back to the system: an editor's small objects come
// and go in like numbers. When the range is used up, requests go to the C heap like large ones
// (aligned as operator new promises, which malloc is not here).
#include "app/winutil/SmallHeap.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <malloc.h>
#include <new>

namespace WinUtil::SmallHeap {

namespace {

constexpr std::size_t kClasses = kLargest / kAlignment;
constexpr std::size_t kSlab = 64 * 1024;             // one pool's unit of growth
constexpr std::size_t kCommitStep = 16 * kSlab;      // address space committed at a time
constexpr std::size_t kRange = 256 * 1024 * 1024;    // reserved at the first request

struct FreeBlock {
    FreeBlock* next;
};

struct Pool {
    FreeBlock* free = nullptr; // blocks given back
    char* next = nullptr;      // the untouched rest of the pool's newest slab
    char* end = nullptr;
};

// All state is constant-initialised: operator new may run before any constructor.
// A spin lock: held for a few instructions, and the system's locks cost more than the pools.
std::atomic<bool> busy{false};
// The reserved range; null until the first request, or when refused. Read without the lock.
std::atomic<char*> base{nullptr};
char* committed = nullptr; // end of the committed part of the range
char* used = nullptr;      // end of the slabs handed to pools
bool refused = false;      // the range could not be reserved
Pool pools[kClasses];

// Waits for another thread to leave the lock: spins briefly, then gives up the processor (the
// holder may be waiting for it).
void WaitWhileBusy() {
    for (int i = 0; busy.load(std::memory_order_relaxed); i = i < 128 ? i + 1 : i) {
        if (i < 64) YieldProcessor();
        else Sleep(i < 128 ? 0 : 1);
    }
}

class Locked {
public:
    Locked() {
        while (busy.exchange(true, std::memory_order_acquire)) WaitWhileBusy();
    }
    ~Locked() { busy.store(false, std::memory_order_release); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// A fresh slab from the range, or null when the range is used up. Called under the lock.
char* NewSlab() {
    if (base.load(std::memory_order_relaxed) == nullptr) {
        if (refused) return nullptr;
        auto* range = static_cast<char*>(VirtualAlloc(nullptr, kRange, MEM_RESERVE, PAGE_NOACCESS));
        if (range == nullptr) {
            refused = true;
            return nullptr;
        }
        committed = used = range;
        base.store(range, std::memory_order_release);
    }
    if (used == base.load(std::memory_order_relaxed) + kRange) return nullptr;
    if (used == committed) {
        if (VirtualAlloc(committed, kCommitStep, MEM_COMMIT, PAGE_READWRITE) == nullptr) return nullptr;
        committed += kCommitStep;
    }
    char* slab = used;
    used += kSlab;
    return slab;
}

// A block of the class's size from its pool, or null when the range is used up.
void* Take(std::size_t cls) {
    Locked guard;
    Pool& pool = pools[cls];
    if (FreeBlock* b = pool.free) {
        pool.free = b->next;
        return b;
    }
    const std::size_t size = (cls + 1) * kAlignment;
    if (pool.next == nullptr || std::size_t(pool.end - pool.next) < size) {
        char* slab = NewSlab();
        if (slab == nullptr) return nullptr;
        // The slab's first bytes name its class, so that freeing can find the pool.
        *reinterpret_cast<std::uint32_t*>(slab) = static_cast<std::uint32_t>(cls);
        pool.next = slab + kAlignment;
        pool.end = slab + kSlab;
    }
    void* p = pool.next;
    pool.next += size;
    return p;
}

void Give(void* p) {
    auto* slab = reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(p) & ~std::uintptr_t(kSlab - 1));
    const std::uint32_t cls = *reinterpret_cast<const std::uint32_t*>(slab);
    Locked guard;
    auto* b = static_cast<FreeBlock*>(p);
    b->next = pools[cls].free;
    pools[cls].free = b;
}

void* Allocate(std::size_t n) {
    if (n <= kLargest) {
        if (void* p = Take(n == 0 ? 0 : (n - 1) / kAlignment)) return p;
    }
    for (;;) {
        if (void* p = _aligned_malloc(n == 0 ? 1 : n, kAlignment)) return p;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) throw std::bad_alloc();
        handler();
    }
}

void Release(void* p) {
    if (p == nullptr) return;
    if (Owns(p)) Give(p);
    else _aligned_free(p);
}

} // namespace

bool Owns(const void* p) {
    // The range's start is written once, before any block of it exists.
    const char* start = base.load(std::memory_order_acquire);
    const char* c = static_cast<const char*>(p);
    return start != nullptr && c >= start && c < start + kRange;
}

std::size_t CommittedBytes() {
    Locked guard;
    return std::size_t(committed - base.load(std::memory_order_relaxed));
}

} // namespace WinUtil::SmallHeap

void* operator new(std::size_t n) { return WinUtil::SmallHeap::Allocate(n); }
void* operator new[](std::size_t n) { return WinUtil::SmallHeap::Allocate(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    try {
        return WinUtil::SmallHeap::Allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return operator new(n, t); }
void operator delete(void* p) noexcept { WinUtil::SmallHeap::Release(p); }
void operator delete[](void* p) noexcept { WinUtil::SmallHeap::Release(p); }
void operator delete(void* p, std::size_t) noexcept { WinUtil::SmallHeap::Release(p); }
void operator delete[](void* p, std::size_t) noexcept { WinUtil::SmallHeap::Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { WinUtil::SmallHeap::Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { WinUtil::SmallHeap::Release(p); }
