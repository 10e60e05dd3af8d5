// Resizing through the handles of a view: the preview follows the pointer, the release resizes the
// element and its followers as one undo step, Escape and loss of focus leave no trace, and disabled
// handles are neither hit nor drawn.
#include "view/tests/TestBoxes.h"

namespace ViewTest {
namespace {

class Resizing : public ::testing::Test {
protected:
    void StartAt(const zq::Point& handle, Box& box) {
        box.SelectInView(*w.view, true);
        FakeDrag drag(true);
        w.Mouse(WM_LBUTTONDOWN, w.At(handle));
        ASSERT_TRUE(w.Task().IsBusy());
    }
    View::RectResizeTask& Task() { return dynamic_cast<View::RectResizeTask&>(*w.Task().GetSubTask()); }

    ViewWindow w;
};

TEST_F(Resizing, ReleasingResizesTheElementAndTheSameKindOfFollowersAsOneStep)
{
    auto a = w.AddBox({0, 4000, 2000, 2000});
    auto b = w.AddBox({4000, 4000, 5000, 3000});
    auto other = w.AddNamedBox({8000, 4000, 9000, 3000});
    b->SelectInView(*w.view, true);
    other->SelectInView(*w.view, true);
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();
    StartAt({2000, 2000}, *a);  // south-east
    EXPECT_EQ(Task().GetFollowers(), std::vector<Core::IResizable*>{b.get()});

    const POINT target = w.At({3000, 1000});
    w.Mouse(WM_MOUSEMOVE, target, MK_LBUTTON);
    const zq::Rect preview = Task().GetCurrentRect();
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));  // nothing applied before the release
    EXPECT_EQ(preview, zq::Rect(0, 4000, 3000, 1000));
    w.Mouse(WM_LBUTTONUP, target);

    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(a->GetRect(), preview);
    EXPECT_EQ(b->GetRect(), zq::Rect(4000, 4000, 7000, 1000));  // top-left kept, size taken
    EXPECT_EQ(other->GetRect(), zq::Rect(8000, 4000, 9000, 3000));
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount + 1);
    w.Undo();
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));
    EXPECT_EQ(b->GetRect(), zq::Rect(4000, 4000, 5000, 3000));
}

TEST_F(Resizing, EscapeAndLossOfFocusLeaveNoTrace)
{
    auto a = w.AddBox({0, 4000, 2000, 2000});
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();
    for (UINT end : {UINT(WM_KEYDOWN), UINT(WM_KILLFOCUS)}) {
        StartAt({2000, 3000}, *a);  // east
        w.Mouse(WM_MOUSEMOVE, w.At({5000, 3000}), MK_LBUTTON);
        EXPECT_EQ(Task().GetCurrentRect(), zq::Rect(0, 4000, 5000, 2000));
        if (end == WM_KEYDOWN)
            w.Key(WM_KEYDOWN, VK_ESCAPE);
        else
            SendMessageW(w.hwnd, WM_KILLFOCUS, 0, 0);
        EXPECT_FALSE(w.Task().IsBusy());
        EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));
        EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount);
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

TEST_F(Resizing, AMoveWithoutTheButtonEndsTheResizeWithNothingApplied)
{
    auto a = w.AddBox({0, 4000, 2000, 2000});
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();
    StartAt({2000, 3000}, *a);
    w.Mouse(WM_MOUSEMOVE, w.At({5000, 3000}), MK_LBUTTON);
    w.Mouse(WM_MOUSEMOVE, w.At({6000, 3000}), 0);
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(a->GetRect(), zq::Rect(0, 4000, 2000, 2000));
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount);
}

TEST_F(Resizing, ModesPickTheTaskOfEachHandle)
{
    auto ratio = w.AddBox({0, 4000, 2000, 3000}, View::RectResizeControl::KeepRatio);
    StartAt({2000, 4000}, *ratio);  // north-east corner keeps the ratio
    EXPECT_NE(dynamic_cast<View::RectResizeKeepRatioTask*>(&Task()), nullptr);
    w.Key(WM_KEYDOWN, VK_ESCAPE);
    StartAt({2000, 3500}, *ratio);  // the east edge resizes freely in the same mode
    EXPECT_EQ(dynamic_cast<View::RectResizeKeepRatioTask*>(&Task()), nullptr);
    w.Key(WM_KEYDOWN, VK_ESCAPE);

    auto centred = w.AddBox({4000, 4000, 6000, 3000}, View::RectResizeControl::KeepCentre);
    w.view->ClearSelection(nullptr);
    StartAt({6000, 3500}, *centred);
    EXPECT_TRUE(Task().IsCentred());
    w.Mouse(WM_MOUSEMOVE, w.At({6200, 3500}), MK_LBUTTON);
    w.Mouse(WM_LBUTTONUP, w.At({6200, 3500}));
    EXPECT_EQ(centred->GetRect(), zq::Rect(3800, 4000, 6200, 3000));
}

TEST(Handles, DisabledHandlesAreNeverHitAndDrawNothing)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    VBox* v = w.Of(*a);
    View::RectResizeControls& handles = v->Handles();
    ASSERT_EQ(handles.GetControls().size(), 8u);
    EXPECT_EQ(handles.GetControls().front()->GetId(), 128u);
    EXPECT_EQ(handles.GetControls().back()->GetId(), 1u);
    EXPECT_EQ(handles.FindAt({2000, 2000})->GetId(), 32u);
    EXPECT_EQ(handles.FindAt({1000, 4000})->GetId(), 1u);
    EXPECT_EQ(handles.FindAt({1000, 3000}), nullptr);

    handles.SetEnabledMask(170);  // corners only
    EXPECT_EQ(handles.FindAt({1000, 4000}), nullptr);
    EXPECT_EQ(handles.FindAt({0, 2000})->GetId(), 8u);
    EXPECT_EQ(handles.WeightAt({1000, 2000}).GetKind(), Core::Weight::Kind::Invisible);
    a->SelectInView(*w.view, true);
    w.view->ProcessUpdates();
    EXPECT_EQ(v->MarkCount(), 4u);
    const auto& north = *handles.GetControls().back();
    EXPECT_FALSE(north.IsNear({1000, 4000}, 200));
    EXPECT_EQ(north.GetWeight({1000, 4000}, *w.view).GetKind(), Core::Weight::Kind::Invisible);
    FakeDrag drag(true);
    EXPECT_EQ(handles.GetControls().back()->CreateTask(*w.view, w.Task(), {1000, 4000}), nullptr);
}

// A selected element's marks and a pointer away from its handles make no handle objects (a large
// selection then costs only its pictures); a pointer near one makes them where the element is.
TEST(Handles, AreMadeOnlyWhenThePointerComesNearOne)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    VBox* v = w.Of(*a);
    View::RectResizeControls& handles = v->Handles();
    a->SelectInView(*w.view, true);
    w.view->ProcessUpdates();
    EXPECT_EQ(v->MarkCount(), 8u);
    EXPECT_EQ(handles.FindAt({1000, 3000}), nullptr);
    EXPECT_EQ(w.view->HitTest({1000, 3000}, 200).element, v);
    EXPECT_FALSE(handles.AreMade());

    handles.SetEnabledMask(170);  // corners only: a disabled handle near the pointer makes none either
    EXPECT_EQ(handles.FindAt({1000, 4000}), nullptr);
    EXPECT_FALSE(handles.AreMade());
    w.view->ClearSelection(nullptr);
    a->SelectInView(*w.view, true);
    w.view->ProcessUpdates();
    EXPECT_EQ(v->MarkCount(), 4u);
    ASSERT_NE(handles.FindAt({2000, 2000}), nullptr);
    EXPECT_EQ(handles.FindAt({2000, 2000})->GetPosition(), zq::Point(2000, 2000));
    EXPECT_TRUE(handles.AreMade());
}

TEST(Handles, AHandleOutweighsTheElementsAreaAndUsesItsCompassCursor)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    auto& handles = w.Of(*a)->Handles();
    const zq::Point corner{2000, 2000};
    const Core::Weight handle = handles.WeightAt(corner);
    EXPECT_EQ(handle.GetKind(), Core::Weight::Kind::Control);
    EXPECT_TRUE(handle > a->GetWeight(*w.view, corner, 200));
    const int cursors[] = {6, 9, 8, 7, 6, 9, 8, 7};  // 128 down to 1
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(handles.GetControls()[i]->GetCursorId(), cursors[i]) << i;
}

} // namespace

TEST(Handles, HandlesMadeOnFirstUseSitWhereTheElementIsThen)
{
    ViewWindow w;
    auto a = w.AddBox({0, 4000, 2000, 2000});
    View::RectResizeControls handles(*w.view, *a, 255, nullptr, 0);
    handles.SetEnabledMask(170);  // corners only, before any handle exists
    EXPECT_FALSE(handles.AreMade());
    {
        Core::Transaction t(w.diagram, w.view.get());
        Core::Env env(t);
        a->SetRect(env, {3000, 5000, 6000, 1000}, false);  // moved and resized
        w.diagram.GetUndoHandler().Add(env.Close(), nullptr, nullptr, false);
    }
    EXPECT_FALSE(handles.AreMade());
    EXPECT_EQ(handles.FindAt({6000, 1000})->GetId(), 32u);
    EXPECT_EQ(handles.FindAt({3000, 5000})->GetId(), 2u);
    EXPECT_EQ(handles.FindAt({2000, 2000}), nullptr);  // the old corner
    EXPECT_EQ(handles.FindAt({6000, 3000}), nullptr);  // the east edge is disabled
    ASSERT_TRUE(handles.AreMade());
    ICanvas::Group group;
    handles.Draw(w.view->GetCanvas(), group, true);
    EXPECT_EQ(PictureCount(group), 4u);
    handles.SetEnabledMask(255);
    EXPECT_EQ(handles.FindAt({6000, 3000})->GetId(), 64u);
}

} // namespace ViewTest
