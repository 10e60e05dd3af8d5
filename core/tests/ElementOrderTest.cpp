// Element order of large diagrams: places found, taken and given back by deletion, undo, redo and
// rollback in any order, checked against a plain list; the element list and iterator after changes.
#include "core/Diagram.h"
#include "core/Factory.h"
#include "core/Transaction.h"
#include "core/UndoHandler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

using namespace Core;

namespace {

// A bare element without a record.
class OrderedElement : public IModelElement {
public:
    const std::wstring& GetTypeName() const override {
        static const std::wstring name = L"Plain";
        return name;
    }
    const xml::Namespace& GetNamespace() const override { return SchemaNamespace10(); }
    ElementPtr Clone() const override { return std::make_shared<OrderedElement>(); }
};

std::vector<ElementPtr> MakePlain(std::size_t count)
{
    std::vector<ElementPtr> list;
    for (std::size_t i = 0; i < count; ++i) list.push_back(std::make_shared<OrderedElement>());
    return list;
}

// Every element's place and id agree with the list.
void ExpectConsistent(const Diagram& d, const std::vector<ElementPtr>& expected)
{
    ASSERT_EQ(d.Elements(), expected);
    ASSERT_EQ(d.GetElementCount(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(d.IndexOf(*expected[i]), i);
        ASSERT_EQ(d.FindElementById(expected[i]->GetObjectId()), expected[i].get());
    }
}

struct LargeDiagram : ::testing::Test {
    FactoryRegistry registry;
    Diagram diagram{registry, nullptr};
    std::vector<ElementPtr> original = MakePlain(3000);

    void SetUp() override {
        Transaction t(diagram);
        Env env(t);
        for (const auto& e : original) env.Insert(e);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    // Deletes the elements in the given order in one transaction kept for undo.
    void DeleteInOneTransaction(const std::vector<ElementPtr>& victims) {
        Transaction t(diagram);
        Env env(t);
        for (const auto& e : victims) e->Delete(env);
        diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    std::vector<ElementPtr> Without(const std::vector<ElementPtr>& victims) const {
        std::vector<ElementPtr> rest;
        for (const auto& e : original)
            if (std::find(victims.begin(), victims.end(), e) == victims.end()) rest.push_back(e);
        return rest;
    }
};

TEST_F(LargeDiagram, DeletingEverySecondElementAndUndoingRestoresTheExactOrder)
{
    std::vector<ElementPtr> victims;
    for (std::size_t i = 0; i < original.size(); i += 2) victims.push_back(original[i]);
    DeleteInOneTransaction(victims);
    ExpectConsistent(diagram, Without(victims));
    for (const auto& e : victims) EXPECT_TRUE(e->IsDeleted());
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    ExpectConsistent(diagram, original);
    diagram.GetUndoHandler().Redo(nullptr, nullptr);
    ExpectConsistent(diagram, Without(victims));
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    ExpectConsistent(diagram, original);
}

TEST_F(LargeDiagram, DeletingInShuffledOrderAndUndoingRestoresTheExactOrder)
{
    std::vector<ElementPtr> victims(original.begin(), original.end());
    std::mt19937 random(7);
    std::shuffle(victims.begin(), victims.end(), random);
    victims.resize(victims.size() * 2 / 3);
    DeleteInOneTransaction(victims);
    ExpectConsistent(diagram, Without(victims));
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    ExpectConsistent(diagram, original);
    diagram.GetUndoHandler().Redo(nullptr, nullptr);
    ExpectConsistent(diagram, Without(victims));
}

TEST_F(LargeDiagram, RollbackOfMixedDeletionsAndInsertionsRestoresTheExactOrder)
{
    std::vector<ElementPtr> expected = original;
    {
        Transaction t(diagram);
        Env env(t);
        std::mt19937 random(11);
        for (int step = 0; step < 2000; ++step) {
            if (random() % 3 == 0 || expected.empty()) {
                auto e = std::make_shared<OrderedElement>();
                env.Insert(e);
                expected.push_back(e);
            } else {
                const std::size_t at = random() % expected.size();
                expected[at]->Delete(env);
                expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
            }
        }
        ExpectConsistent(diagram, expected);
        t.Abort();
    }
    ExpectConsistent(diagram, original);
}

TEST_F(LargeDiagram, TheIteratorAndTheListFollowChangesInTheMiddle)
{
    zq::Iterator it = diagram.GetElementIterator();
    ASSERT_EQ(*it, original[0].get());
    {
        Transaction t(diagram);
        Env env(t);
        original[1]->Delete(env);
        env.Close();
    }
    ++it;  // the list has moved up by one place
    EXPECT_EQ(*it, original[2].get());
    EXPECT_EQ(diagram.Elements()[1], original[2]);
    EXPECT_EQ(diagram.IndexOf(*original[1]), diagram.GetElementCount());
    EXPECT_FALSE(diagram.Contains(*original[1]));
    EXPECT_TRUE(diagram.Contains(*original[2]));
}

// The element set itself against a plain list, in random insertions and removals at any place
// and appends.
TEST(ElementSetOrder, RandomInsertionsAndRemovalsAgreeWithAPlainList)
{
    ElementSet set;
    std::vector<ElementPtr> expected;
    std::mt19937 random(3);
    for (int step = 0; step < 6000; ++step) {
        if (random() % 5 < 3 || expected.empty()) {
            auto e = std::make_shared<OrderedElement>();
            set.AssignId(*e);
            // Every third insertion appends (reading's case, which takes its own path).
            const std::size_t at = random() % 3 == 0 ? expected.size() : random() % (expected.size() + 1);
            set.InsertAt(at, e);
            expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(at), e);
        } else {
            const std::size_t at = random() % expected.size();
            ASSERT_EQ(&set.At(at), expected[at].get());
            set.RemoveAt(at);
            expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(at));
        }
        if (step % 500 == 0) {
            ASSERT_EQ(set.Elements(), expected);
        }
        if (!expected.empty()) {
            const std::size_t probe = random() % expected.size();
            ASSERT_EQ(set.IndexOf(*expected[probe]), probe);
        }
    }
    EXPECT_EQ(set.Elements(), expected);
    EXPECT_EQ(set.Size(), expected.size());
}

TEST(ElementSetOrder, WrongPlacesAndAHeldElementAreErrorsThatChangeNothing)
{
    ElementSet set;
    auto a = std::make_shared<OrderedElement>();
    set.AssignId(*a);
    set.InsertAt(0, a);
    auto b = std::make_shared<OrderedElement>();
    set.AssignId(*b);
    EXPECT_THROW(set.InsertAt(2, b), std::logic_error);
    EXPECT_THROW(set.InsertAt(0, a), std::logic_error);
    EXPECT_THROW(set.RemoveAt(1), std::logic_error);
    EXPECT_THROW(set.At(1), std::logic_error);
    EXPECT_EQ(set.Elements(), (std::vector<ElementPtr>{a}));
    EXPECT_EQ(set.IndexOf(*b), 1u);
    EXPECT_EQ(set.Find(b->GetObjectId()), nullptr);
}

} // namespace
