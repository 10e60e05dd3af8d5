// zq::Cast must answer exactly as dynamic_cast, also from a remembered answer: through virtual
// and repeated bases, across hierarchies, for const objects, and while an object is being made.
#include "core/foundation/Cast.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Root {
    virtual ~Root() = default;
};
struct Left : virtual Root {};
struct Right : virtual Root {};
struct Both : Left, Right {};
struct Other : virtual Root {};

// Repeated (non-virtual) bases: two Item subobjects, each with its own Node.
struct Node {
    virtual ~Node() = default;
    int tag = 0;
};
struct Item : Node {};
struct First : Item {};
struct Second : Item {};
struct Pair : First, Second {};

// Each pair of calls: the first asks the runtime, the second answers from the memo.
template <class T, class S>
void ExpectSameTwice(S* p) {
    T* expected = dynamic_cast<T*>(p);
    EXPECT_EQ(zq::Cast<T>(p), expected);
    EXPECT_EQ(zq::Cast<T>(p), expected);
}

TEST(Cast, VirtualBasesDownAndAcross) {
    Both both;
    Left left;
    Other other;
    for (int round = 0; round < 2; ++round) {
        ExpectSameTwice<Left>(static_cast<Root*>(&both));
        ExpectSameTwice<Right>(static_cast<Root*>(&both));
        ExpectSameTwice<Right>(static_cast<Left*>(&both));
        ExpectSameTwice<Both>(static_cast<Right*>(&both));
        ExpectSameTwice<Left>(static_cast<Root*>(&left));
        ExpectSameTwice<Right>(static_cast<Root*>(&left));
        ExpectSameTwice<Left>(static_cast<Root*>(&other));
    }
    EXPECT_EQ(zq::Cast<Right>(static_cast<Left*>(&both)), static_cast<Right*>(&both));
    EXPECT_EQ(zq::Cast<Right>(static_cast<Root*>(&left)), nullptr);
    EXPECT_EQ(zq::Cast<Left>(static_cast<Root*>(nullptr)), nullptr);
}

TEST(Cast, RepeatedBasesAnswerPerSubobject) {
    Pair pair;
    Node* viaFirst = static_cast<Item*>(static_cast<First*>(&pair));
    Node* viaSecond = static_cast<Item*>(static_cast<Second*>(&pair));
    for (int round = 0; round < 2; ++round) {
        // Item is ambiguous in Pair: each Node finds the Item it belongs to.
        ExpectSameTwice<Item>(viaFirst);
        ExpectSameTwice<Item>(viaSecond);
        ExpectSameTwice<Second>(viaFirst);
        ExpectSameTwice<First>(viaSecond);
        // One cast from both Nodes: the way across differs with the subobject.
        ExpectSameTwice<Second>(viaSecond);
        ExpectSameTwice<First>(viaFirst);
    }
    EXPECT_EQ(zq::Cast<Item>(viaFirst), static_cast<Item*>(static_cast<First*>(&pair)));
    EXPECT_EQ(zq::Cast<Item>(viaSecond), static_cast<Item*>(static_cast<Second*>(&pair)));
    EXPECT_NE(zq::Cast<Item>(viaFirst), zq::Cast<Item>(viaSecond));
}

// Source kinds enough to fill the memo: the ones it cannot keep are still answered right.
struct Base {
    virtual ~Base() = default;
};
struct Target {
    virtual ~Target() = default;
};
template <std::size_t N>
struct Kind : Base, Target {};
struct Plain : Base {};

template <std::size_t... N>
int CountTargets(std::index_sequence<N...>) {
    int found = 0;
    auto check = [&](auto object) {
        Base* p = &object;
        EXPECT_EQ(zq::Cast<Target>(p), dynamic_cast<Target*>(p));
        found += zq::Cast<Target>(p) != nullptr;
        Plain plain;
        EXPECT_EQ(zq::Cast<Target>(static_cast<Base*>(&plain)), nullptr);
    };
    (check(Kind<N>{}), ...);
    return found;
}

TEST(Cast, ConstObjectsAndManyTypes) {
    const Both both;
    const Root* root = &both;
    EXPECT_EQ(zq::Cast<const Right>(root), static_cast<const Right*>(&both));
    EXPECT_EQ(zq::Cast<const Other>(root), nullptr);
    EXPECT_EQ(CountTargets(std::make_index_sequence<zq::Detail::CastMemo::kSlots + 10>{}),
              int(zq::Detail::CastMemo::kSlots + 10));
}

// A base class casting itself while the object is being made: the object is a Maker then, not
// yet a Made, and the answer remembered then must not be given for the complete object.
struct Made;
struct Maker : virtual Root {
    Maker();
    Made* seenWhileMaking = nullptr;
    Maker* selfWhileMaking = nullptr;
};
struct Made : Other, Maker {};
Maker::Maker() {
    seenWhileMaking = zq::Cast<Made>(static_cast<Root*>(this));
    selfWhileMaking = zq::Cast<Maker>(static_cast<Root*>(this));
}

TEST(Cast, ObjectBeingMade) {
    for (int round = 0; round < 2; ++round) {
        // A Maker of its own lays out its virtual base elsewhere than a Maker being made in a Made.
        Maker alone;
        EXPECT_EQ(alone.selfWhileMaking, &alone);
        Made made;
        EXPECT_EQ(made.seenWhileMaking, nullptr);
        EXPECT_EQ(made.selfWhileMaking, static_cast<Maker*>(&made));
        EXPECT_EQ(zq::Cast<Made>(static_cast<Root*>(&made)), &made);
        EXPECT_EQ(zq::Cast<Other>(static_cast<Root*>(&made)), static_cast<Other*>(&made));
    }
}

// Threads filling one memo at once: every answer, remembered or not, is the runtime's.
struct Mark {
    virtual ~Mark() = default;
};
template <std::size_t N>
struct Marked : Base, Mark {
    int pad[N % 3 + 1] = {};  // varies where Mark lies in the object
};

template <std::size_t... N>
std::vector<Base*> MakeMarked(std::vector<std::unique_ptr<Base>>& keep, std::index_sequence<N...>) {
    (keep.push_back(std::make_unique<Marked<N>>()), ...);
    std::vector<Base*> all;
    for (const auto& p : keep) all.push_back(p.get());
    return all;
}

TEST(Cast, ThreadsShareOneMemo) {
    std::vector<std::unique_ptr<Base>> keep;
    keep.push_back(std::make_unique<Plain>());
    const std::vector<Base*> objects = MakeMarked(keep, std::make_index_sequence<60>{});
    std::atomic<int> ready{0}, wrong{0}, found{0};
    const int threads = 4;
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < threads) {
            }
            for (int round = 0; round < 200; ++round)
                for (std::size_t i = 0; i < objects.size(); ++i) {  // 61 objects: a permutation
                    Base* p = objects[(i * (t + 1) + round) % objects.size()];
                    Mark* m = zq::Cast<Mark>(p);
                    if (m != dynamic_cast<Mark*>(p)) wrong.fetch_add(1);
                    found.fetch_add(m != nullptr);
                }
        });
    for (std::thread& t : pool) t.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(found.load(), threads * 200 * 60);
}

} // namespace
