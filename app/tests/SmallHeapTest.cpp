// The small-object heap behind operator new: linked into the program, blocks aligned and apart,
// freed blocks reused by their own size, large requests left to malloc, and safe across threads.
#include "app/winutil/SmallHeap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace Heap = WinUtil::SmallHeap;

struct Block {
    unsigned char* p;
    std::size_t size;
    unsigned char mark;
};

Block Make(std::size_t size, unsigned char mark) {
    auto* p = static_cast<unsigned char*>(::operator new(size));
    std::memset(p, mark, size);
    return {p, size, mark};
}

bool Intact(const Block& b) {
    for (std::size_t i = 0; i < b.size; ++i)
        if (b.p[i] != b.mark) return false;
    return true;
}

TEST(SmallHeap, ServesTheProgramsOwnAllocations) {
    auto shared = std::make_shared<int>(5);
    std::vector<int> list{1, 2, 3};
    const std::string text(100, 'x');
    EXPECT_TRUE(Heap::Owns(shared.get()));
    EXPECT_TRUE(Heap::Owns(list.data()));
    EXPECT_TRUE(Heap::Owns(text.data()));
    EXPECT_GT(Heap::CommittedBytes(), 0u);
}

TEST(SmallHeap, BlocksOfEverySizeAreAlignedAndApart) {
    std::vector<Block> blocks;
    for (int round = 0; round < 3; ++round)
        for (std::size_t size = 0; size <= Heap::kLargest + 40; ++size)
            blocks.push_back(Make(size, static_cast<unsigned char>(size + round)));
    for (const Block& b : blocks) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.p) % Heap::kAlignment, 0u) << b.size;
        EXPECT_EQ(Heap::Owns(b.p), b.size <= Heap::kLargest) << b.size;
        EXPECT_TRUE(Intact(b)) << b.size;
    }
    for (const Block& b : blocks) ::operator delete(b.p);
}

TEST(SmallHeap, FreedBlocksAreReusedByTheirOwnSize) {
    void* a = ::operator new(40);
    void* b = ::operator new(100);
    ::operator delete(a);
    ::operator delete(b);
    void* c = ::operator new(100); // same size class as b
    void* d = ::operator new(33);  // same size class as a (33..48)
    EXPECT_EQ(c, b);
    EXPECT_EQ(d, a);
    ::operator delete(c);
    ::operator delete(d);
    void* large = ::operator new(1 << 20);
    EXPECT_FALSE(Heap::Owns(large));
    std::memset(large, 1, 1 << 20);
    ::operator delete(large);
    EXPECT_FALSE(Heap::Owns(nullptr));
}

TEST(SmallHeap, ThreadsAllocateAndFreeTogether) {
    constexpr int kThreads = 4;
    std::vector<std::vector<Block>> kept(kThreads);
    std::vector<int> broken(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &kept, &broken] {
            std::mt19937 random(1234 + t);
            std::vector<Block> live;
            for (int i = 0; i < 20000; ++i) {
                if (!live.empty() && random() % 3 == 0) {
                    const std::size_t k = random() % live.size();
                    broken[t] += !Intact(live[k]);
                    ::operator delete(live[k].p);
                    live[k] = live.back();
                    live.pop_back();
                } else {
                    live.push_back(Make(1 + random() % 300, static_cast<unsigned char>(t * 50 + i)));
                }
            }
            kept[t] = std::move(live);
        });
    for (std::thread& t : threads) t.join();
    // Each thread's blocks are freed by another one.
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(broken[t], 0) << "thread " << t;
        for (const Block& b : kept[(t + 1) % kThreads]) {
            EXPECT_TRUE(Intact(b));
            ::operator delete(b.p);
        }
    }
}

} // namespace
