// Views and selection: the tracker's one notification per real change, selecting enclosed elements
// with touching edges, the hit test's best weight, the frozen and active flags, hiding the marks and
// reselecting on undo.
#include "core/tests/SelectionTestKinds.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Core;
using namespace SelKinds;

namespace {

struct Selecting : ::testing::Test, Fixture {
    TestView view;
    std::shared_ptr<Sheet> big, inner, right;
    Selecting() {
        diagram.AttachView(view);
        big = AddSheet(Box(0, 0, 60000, 60000));  // 600 mm
        inner = AddSheet(Box(10000, -10000, 20000, 20000));
        right = AddSheet(Box(70000, 0, 1000, 1000));
    }
    ~Selecting() override { diagram.DetachView(view); }
};

TEST_F(Selecting, ATrackerNotifiesOnceForManyChangesAndNotAtAllWithoutARealChange)
{
    {
        SelectionTracker tracker(&view);
        view.SelectAll(&tracker);
        inner->SelectInView(view, false, &tracker);
        EXPECT_EQ(view.notifications, 0);
    }
    EXPECT_EQ(view.notifications, 1);
    {
        SelectionTracker tracker(&view);
        inner->SelectInView(view, true, &tracker);
        inner->SelectInView(view, false, &tracker);  // back to where it started
        EXPECT_FALSE(tracker.HasChanged());
    }
    EXPECT_EQ(view.notifications, 1);
    { SelectionTracker untouched(&view); }
    EXPECT_EQ(view.notifications, 1);
    view.ClearSelection(nullptr);  // one change of its own, one notification
    EXPECT_EQ(view.notifications, 2);
    view.ClearSelection(nullptr);
    EXPECT_EQ(view.notifications, 2);
    EXPECT_FALSE(view.HasSelection());
}

TEST_F(Selecting, ATrackerNeverThrowsFromItsEnd)
{
    struct Throwing : ISelectionObserver {
        void OnSelectionChanged(IView&) override { throw std::runtime_error("observer failed"); }
    } throwing;
    zq::ObserverRegistration<ISelectionObserver> reg(view.GetSelectionObserverPlug(), &throwing);
    EXPECT_NO_THROW({
        SelectionTracker tracker(&view);
        view.SelectAll(&tracker);
    });
    EXPECT_TRUE(view.HasSelection());
}

TEST_F(Selecting, SelectEnclosedTakesElementsWhoseEdgesTouchTheRectangle)
{
    view.SelectEnclosed(nullptr, zq::Rect(10000, -10000, 30000, -30000));  // exactly inner's rectangle
    EXPECT_TRUE(inner->IsSelectedInView(view));
    EXPECT_FALSE(big->IsSelectedInView(view));
    view.ClearSelection(nullptr);
    view.SelectEnclosed(nullptr, zq::Rect(10001, -10000, 30000, -30000));  // one unit short
    EXPECT_FALSE(view.HasSelection());
    view.SelectEnclosed(nullptr, zq::Rect(71000, -60000, 0, 0));  // given upside down, holds all three
    ModelElementSet selection = view.GetSelection();
    EXPECT_EQ(selection.Size(), 3u);
    EXPECT_EQ(view.notifications, 3);  // select, clear, select: the failed one changed nothing
}

TEST_F(Selecting, HitTestPicksTheBestWeight)
{
    HitResult hit = view.HitTest({15000, -15000}, 100);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit.element->GetModelElement(), inner.get());
    hit = view.HitTest({5000, -5000}, 100);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit.element->GetModelElement(), big.get());
    EXPECT_FALSE(view.HitTest({65000, 5000}, 100));
    // A selected element's corner mark beats the inner box under the point.
    big->SelectInView(view, true);
    hit = view.HitTest({10050, -10050}, 100);
    EXPECT_EQ(hit.element->GetModelElement(), inner.get());
    EXPECT_FALSE(hit.onMark);
    inner->SelectInView(view, true);
    hit = view.HitTest({10050, -10050}, 100);
    EXPECT_TRUE(hit.onMark);
    EXPECT_EQ(hit.weight.GetKind(), Weight::Kind::Control);
    hit = view.HitTest({10050, -10050}, 100, nullptr, kHitNoMarks);
    EXPECT_FALSE(hit.onMark);
}

TEST_F(Selecting, HitTestHonoursFilterFlagsAndRequiredTypes)
{
    auto label = AddLabel(big.get());
    struct NotInner : IFilter {
        const IModelElement* inner;
        bool Accept(const IModelElement* e) const override { return e != inner; }
    } filter;
    filter.inner = inner.get();
    HitResult hit = view.HitTest({15000, -15000}, 100, &filter);
    EXPECT_EQ(hit.element->GetModelElement(), big.get());
    EXPECT_FALSE(view.HitTest({15000, -15000}, 100, nullptr, kHitSelectedOnly));
    big->SelectInView(view, true);
    hit = view.HitTest({15000, -15000}, 100, nullptr, kHitSelectedOnly);
    EXPECT_EQ(hit.element->GetModelElement(), big.get());
    EXPECT_FALSE(view.HitTest({15000, -15000}, 100, nullptr, 0, {L"Label"}));
    EXPECT_TRUE(view.HitTest({15000, -15000}, 100, nullptr, 0, {L"Label", L"Sheet"}));
    Filter<Sheet> sheets;
    EXPECT_TRUE(sheets.Accept(big.get()));
    EXPECT_FALSE(sheets.Accept(label.get()));
}

TEST_F(Selecting, AFrozenViewKeepsItsSelectionAndActiveFlag)
{
    big->SelectInView(view, true);
    view.SetActive(true);
    EXPECT_TRUE(view.Of(*big)->lastActive);
    view.SetFrozen(true);
    view.ClearSelection(nullptr);
    view.SelectEnclosed(nullptr, zq::Rect(-100000, 100000, 100000, -100000));
    view.SetActive(false);
    EXPECT_TRUE(view.IsActive());
    EXPECT_EQ(view.GetSelection().Size(), 1u);
    view.SetFrozen(false);
    view.ClearSelection(nullptr);
    EXPECT_FALSE(view.HasSelection());
}

TEST_F(Selecting, VisibilityLocksHideTheMarksUntilTheLastIsReleased)
{
    big->SelectInView(view, true);
    {
        SelectionVisibilityLock first(view);
        EXPECT_FALSE(view.IsSelectionVisible());
        {
            SelectionVisibilityLock second(view);
        }
        EXPECT_FALSE(view.IsSelectionVisible());
        EXPECT_FALSE(view.Of(*big)->marksVisible);
    }
    EXPECT_TRUE(view.IsSelectionVisible());
    EXPECT_TRUE(view.Of(*big)->marksVisible);
}

TEST_F(Selecting, TheRestorerReselectsTheElementsOfAnUndoStep)
{
    ModelElementSet before;
    before.Insert(big);
    big->SelectInView(view, true);
    {
        Transaction t(diagram);
        Env env(t);
        right->SetPos(env, {80000, 0});
        ModelElementSet after;
        after.Insert(right);
        diagram.GetUndoHandler().Add(env.Close(), MakeSelectionRestorer(before), MakeSelectionRestorer(after), false);
    }
    view.ClearSelection(nullptr);
    SelectionTracker tracker(&view);
    diagram.GetUndoHandler().Undo(&view, &tracker);
    EXPECT_EQ(view.GetSelection().Elements(), (std::vector<ElementPtr>{big}));
    diagram.GetUndoHandler().Redo(&view, &tracker);
    EXPECT_EQ(view.GetSelection().Elements(), (std::vector<ElementPtr>{right}));
    EXPECT_EQ(right->GetPos(), zq::Point(80000, 0));
}

// Many elements deleted here and there: the view's list keeps the others in creation order, the
// hit test and the selection still find them, also after the list has closed its gaps.
TEST_F(Selecting, TheViewListKeepsItsOrderThroughManyDeletions)
{
    std::vector<std::shared_ptr<Sheet>> sheets;
    for (int i = 0; i < 300; ++i) sheets.push_back(AddSheet(Box(100000 + i * 2000, 0, 1000, 1000)));
    std::vector<const IModelElement*> expected{big.get(), inner.get(), right.get()};
    for (int round = 0; round < 3; ++round) {
        Transaction t(diagram);
        Env env(t);
        for (std::size_t i = 0; i < sheets.size(); ++i)
            if (sheets[i] && (i * 7 + std::size_t(round)) % 5 == 0) {  // three in five go
                sheets[i]->Delete(env);
                sheets[i].reset();
            }
        env.Close();
    }
    for (const auto& s : sheets)
        if (s) expected.push_back(s.get());
    std::vector<const IModelElement*> listed;
    for (const IViewElement* e : view.GetViewElements()) listed.push_back(e->GetModelElement());
    EXPECT_EQ(listed, expected);
    std::size_t last = sheets.size() - 1;
    while (!sheets[last]) --last;
    const HitResult hit = view.HitTest({100000 + int32_t(last) * 2000 + 500, -500}, 10);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit.element->GetModelElement(), sheets[last].get());
    sheets[last]->SelectInView(view, true);
    EXPECT_EQ(view.GetSelection().Size(), 1u);
    EXPECT_TRUE(view.HitTest({100000 + int32_t(last) * 2000 + 500, -500}, 10, nullptr, kHitSelectedOnly));
}

TEST_F(Selecting, DeletedElementsLeaveTheViewAndViewElementsOutliveTheirView)
{
    big->SelectInView(view, true);
    {
        Transaction t(diagram);
        Env env(t);
        big->Delete(env);
        env.Close();
    }
    EXPECT_FALSE(view.HasSelection());
    EXPECT_FALSE(big->IsSelectedInView(view));
    EXPECT_EQ(view.GetViewElements().size(), 2u);
    std::shared_ptr<IViewElement> orphan;
    {
        TestView shortLived;
        orphan = shortLived.CreateViewElement(*right);
        EXPECT_EQ(orphan->GetOwnerView(), &shortLived);
        // A selected element that outlives its view must not count itself out of the gone view.
        orphan->GetSelectable()->SetSelected(nullptr, true);
        EXPECT_TRUE(shortLived.HasSelection());
    }
    EXPECT_EQ(orphan->GetOwnerView(), nullptr);
    orphan.reset();
    EXPECT_EQ(view.GetSelection().Size(), 0u);
}

} // namespace
