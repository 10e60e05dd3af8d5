// The order of a move's deferred elements in a large diagram: the order in which the moved sheets
// defer their links, kept across repeated preview shifts and visited in that order by ForEach.
#include "core/tests/SelectionTestKinds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace Core;
using namespace SelKinds;

namespace {

struct ManySheets : ::testing::Test, Fixture {
    std::vector<std::shared_ptr<Sheet>> sheets;
    std::vector<std::shared_ptr<Link>> links;

    void SetUp() override {
        Transaction t(diagram);
        Env env(t);
        for (int i = 0; i < 400; ++i) {
            auto s = Sheet::Factory().CreateTyped(env);
            s->SetRect(env, zq::Rect::FromPosSize({i * 2000, 0}, 1000, 1000), false);
            sheets.push_back(s);
        }
        for (std::size_t i = 0; i < 600; ++i) {
            auto l = Link::Factory().CreateTyped(env);
            l->Connect(env, sheets[i * 7 % sheets.size()].get(), sheets[i * 13 % sheets.size()].get());
            links.push_back(l);
        }
        env.Close();
    }

    // The links in the order the sheets defer them: each sheet's links in its list order, once,
    // none that is moved itself.
    std::vector<IModelElement*> ExpectedDeferral(const std::vector<ElementPtr>& moved) const {
        std::vector<IModelElement*> order;
        for (const auto& e : moved) {
            auto* sheet = dynamic_cast<Sheet*>(e.get());
            if (sheet == nullptr) continue;
            for (Link* l : sheet->GetPartners()) {
                const bool isMoved = std::any_of(moved.begin(), moved.end(), [&](const ElementPtr& m) { return m.get() == l; });
                if (!isMoved && std::find(order.begin(), order.end(), l) == order.end()) order.push_back(l);
            }
        }
        return order;
    }
};

TEST_F(ManySheets, SheetsDeferTheirLinksInTheOrderTheyShiftAcrossRepeatedShifts)
{
    // Moved in reverse diagram order, with every fifth link moved itself and shifted before the sheets.
    std::vector<ElementPtr> moved;
    for (std::size_t i = 0; i < links.size(); i += 5) moved.push_back(links[i]);
    for (auto it = sheets.rbegin(); it != sheets.rend(); ++it) moved.push_back(*it);
    ModelElementSet set;
    for (const auto& e : moved) set.Insert(e);
    const std::vector<IModelElement*> expected = ExpectedDeferral(moved);
    ASSERT_GT(expected.size(), 300u);

    Transaction t(diagram);
    Env env(t);
    DeferredShiftSet shift(set, nullptr, nullptr);  // nothing deferred in advance
    shift.ShiftAll(env, {100, 0, true, true});
    EXPECT_EQ(shift.GetDeferred(), expected);
    shift.Defer(sheets[0].get());  // shifted: not deferred
    shift.ShiftAll(env, {200, 50, true, true});
    EXPECT_EQ(shift.GetDeferred(), expected);
    std::vector<IModelElement*> visited;
    shift.ForEach([&](IModelElement& e) { visited.push_back(&e); });
    EXPECT_EQ(visited, expected);
    for (IModelElement* e : expected) EXPECT_TRUE(shift.IsDeferred(e));
    EXPECT_TRUE(shift.IsShifted(links[0].get()));
    EXPECT_FALSE(shift.IsDeferred(links[0].get()));
    shift.ShiftDeferred(env);
    for (IModelElement* e : expected) EXPECT_EQ(dynamic_cast<Link*>(e)->GetRep().deferredMoves, 1);
    t.Abort();
}

TEST_F(ManySheets, ARepeatedShiftForgetsWhatTheLastOneDeferredButKeepsTheFirstDeferral)
{
    ModelElementSet set;
    set.Insert(sheets[1]);
    DeferredShiftSet shift(set, &diagram, nullptr);
    const std::vector<IModelElement*> initial = shift.GetDeferred();  // the links on sheet 1, in diagram order
    ASSERT_FALSE(initial.empty());
    Transaction t(diagram);
    Env env(t);
    shift.ShiftAll(env, {10, 10, true, true});
    shift.Defer(sheets[5].get());
    EXPECT_TRUE(shift.IsDeferred(sheets[5].get()));
    shift.ShiftAll(env, {20, 20, true, true});
    EXPECT_EQ(shift.GetDeferred(), initial);
    EXPECT_FALSE(shift.IsDeferred(sheets[5].get()));
    shift.Defer(sheets[5].get());  // may be deferred again, at the end
    EXPECT_EQ(shift.GetDeferred().back(), sheets[5].get());
    EXPECT_EQ(shift.GetDeferred().size(), initial.size() + 1);
    t.Abort();
}

} // namespace
