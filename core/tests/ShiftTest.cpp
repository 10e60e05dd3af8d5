// Moving: the shift of a point, the set of one move (deferring, marking, the elements that defer
// themselves), repeated preview shifts inside one transaction, the final deferred pass and undo.
#include "core/tests/SelectionTestKinds.h"

#include <gtest/gtest.h>

using namespace Core;
using namespace SelKinds;

namespace {

TEST(ShiftParam, EnabledAxesMoveFromTheOriginDisabledAxesKeepTheCurrentValue)
{
    EXPECT_EQ(ShiftParam::Apply({10.5, -3.5, true, true}, zq::Point{7, 7}, zq::Point{100, 200}), zq::Point(111, 197));
    EXPECT_EQ(ShiftParam::Apply({10, 10, true, false}, zq::Point{7, 7}, zq::Point{100, 200}), zq::Point(110, 7));
    EXPECT_EQ(ShiftParam::Apply({10, 10, false, false}, zq::Point{7, 8}, zq::Point{100, 200}), zq::Point(7, 8));
    EXPECT_EQ(ShiftParam::Apply({-0.5, -1.5, true, true}, zq::Point{0, 0}, zq::Point{0, 0}), zq::Point(0, -1));
}

struct Shifting : ::testing::Test, Fixture {
    std::shared_ptr<Sheet> a = AddSheet(Box(0, 0, 1000, 1000));
    std::shared_ptr<Sheet> b = AddSheet(Box(5000, 0, 1000, 1000));
    std::shared_ptr<Sheet> c = AddSheet(Box(9000, 0, 1000, 1000));
    std::shared_ptr<Link> ab = AddLink(a.get(), b.get());
    std::shared_ptr<Link> bc = AddLink(b.get(), c.get());

    ModelElementSet Set(std::initializer_list<ElementPtr> list) {
        ModelElementSet s;
        for (const auto& e : list) s.Insert(e);
        return s;
    }
};

TEST_F(Shifting, DeferSkipsShiftedAndListedElementsAndAddRangeSkipsPresentOnes)
{
    DeferredShiftSet set;
    EXPECT_EQ(set.GetShift().dx, 0);
    set.MarkShifted(a.get());
    set.Defer(a.get());
    set.Defer(b.get());
    set.Defer(b.get());
    std::vector<IModelElement*> list{a.get(), b.get(), c.get()};
    set.AddRange(list);
    EXPECT_EQ(set.GetDeferred(), (std::vector<IModelElement*>{b.get(), c.get()}));
    EXPECT_TRUE(set.IsShifted(a.get()));
    EXPECT_FALSE(set.IsShifted(b.get()));
    int visited = 0;
    set.ForEach([&](IModelElement&) { ++visited; });
    EXPECT_EQ(visited, 2);
}

TEST_F(Shifting, ElementsDeferThemselvesIntoTheMoveOfWhatTheyAreAttachedTo)
{
    DeferredShiftSet set(Set({a}), &diagram, a.get());
    EXPECT_EQ(set.GetDeferred(), (std::vector<IModelElement*>{ab.get()}));
    EXPECT_EQ(set.GetGrabbed(), a.get());
}

TEST_F(Shifting, RepeatedPreviewShiftsInOneTransactionDoNotAddUp)
{
    Transaction t(diagram);
    Env env(t);
    DeferredShiftSet set(Set({a, b}), &diagram, a.get());
    set.ShiftAll(env, {300, -200, true, true});
    set.ShiftAll(env, {1000, 400, true, true});
    set.ShiftAll(env, {1000.4, 400, true, true});
    EXPECT_EQ(a->GetPos(), zq::Point(1000, 400));
    EXPECT_EQ(b->GetPos(), zq::Point(6000, 400));
    EXPECT_EQ(c->GetPos(), zq::Point(9000, 0));
    // Both links lie on a moved sheet; each is deferred once.
    EXPECT_EQ(set.GetDeferred().size(), 2u);
    set.ShiftDeferred(env);
    EXPECT_EQ(ab->GetRep().offset, zq::Point(1000, 400));
    EXPECT_EQ(ab->GetRep().deferredMoves, 1);
    EXPECT_EQ(bc->GetRep().deferredMoves, 1);
    diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    diagram.GetUndoHandler().Undo(nullptr, nullptr);
    EXPECT_EQ(a->GetPos(), zq::Point(0, 0));
    EXPECT_EQ(b->GetPos(), zq::Point(5000, 0));
    EXPECT_EQ(ab->GetRep().offset, zq::Point(0, 0));
}

TEST_F(Shifting, TheSetsAxisFlagsLimitEveryShift)
{
    Transaction t(diagram);
    Env env(t);
    DeferredShiftSet set(Set({c}), &diagram, nullptr, true, false);
    set.ShiftAll(env, {250, 250, true, true});
    EXPECT_EQ(c->GetPos(), zq::Point(9250, 0));
    EXPECT_FALSE(set.GetShift().shiftY);
    t.Abort();
    EXPECT_EQ(c->GetPos(), zq::Point(9000, 0));
}

TEST_F(Shifting, ShiftEachSkipsDeletedElementsAndShiftDeferredSkipsDeletedOnes)
{
    Transaction t(diagram);
    Env env(t);
    b->Delete(env);
    DeferredShiftSet set;
    set.Defer(bc.get());
    bc->Delete(env);
    std::vector<ElementPtr> list{a, b};
    ShiftEach(list, env, {100, 0, true, false}, set);
    EXPECT_EQ(a->GetPos(), zq::Point(100, 0));
    EXPECT_EQ(b->GetPos(), zq::Point(5000, 0));
    set.ShiftDeferred(env);
    EXPECT_EQ(bc->GetRep().deferredMoves, 0);
    // a's link was deferred by a's own shift and is shifted once.
    EXPECT_EQ(ab->GetRep().deferredMoves, 1);
}

TEST_F(Shifting, DestroyingASetShiftsNothing)
{
    Transaction t(diagram);
    Env env(t);
    {
        DeferredShiftSet set(Set({a}), &diagram, nullptr);
    }
    EXPECT_EQ(ab->GetRep().deferredMoves, 0);
    EXPECT_TRUE(env.Close().IsEmpty());
}

} // namespace
