// What a press does: left and right, with Shift, Ctrl and both, on a handle, a selected element,
// an unselected element and empty space, and the click that activates a view.
#include "view/LassoTasks.h"
#include "view/tests/TestBoxes.h"

#include "app/winutil/MessageLoop.h"

namespace ViewTest {
namespace {

class Press : public ::testing::Test {
protected:
    void SetUp() override {
        a = w.AddBox({0, 4000, 2000, 2000});
        b = w.AddBox({4000, 4000, 6000, 2000});
    }
    POINT Inside(const Core::IResizable& box) const {
        const zq::Rect r = box.GetRect();
        return w.At({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }
    POINT Empty() const { return w.At({3000, -3000}); }
    void Click(POINT p, WPARAM keys = 0, UINT message = WM_LBUTTONDOWN) { w.Mouse(message, p, keys); }
    std::vector<Core::IModelElement*> Sel() const { return w.Selection(); }
    std::string TaskName() const { return w.Task().GetSubTask() ? w.Task().GetSubTask()->GetName() : ""; }

    ViewWindow w;
    std::shared_ptr<Box> a, b;
};

using Elements = std::vector<Core::IModelElement*>;

TEST_F(Press, LeftClickSelectsAloneAndShiftClickToggles)
{
    FakeDrag noDrag(false);
    Click(Inside(*a));
    EXPECT_EQ(Sel(), Elements{a.get()});
    Click(Inside(*b));
    EXPECT_EQ(Sel(), Elements{b.get()});
    Click(Inside(*a), MK_SHIFT);
    EXPECT_EQ(Sel(), (Elements{a.get(), b.get()}));
    // Without a drag a Shift press on a selected element deselects it.
    Click(Inside(*b), MK_SHIFT);
    EXPECT_EQ(Sel(), Elements{a.get()});
    EXPECT_FALSE(w.Task().IsBusy());
}

TEST_F(Press, APressOnASelectedElementKeepsAMultipleSelection)
{
    FakeDrag noDrag(false);
    Click(Inside(*a));
    Click(Inside(*b), MK_SHIFT);
    Click(Inside(*a));
    EXPECT_EQ(Sel(), (Elements{a.get(), b.get()}));
    // A Shift press on a selected element followed by a drag keeps it selected.
    FakeDrag drag(true);
    Click(Inside(*b), MK_SHIFT);
    EXPECT_EQ(Sel(), (Elements{a.get(), b.get()}));
}

TEST_F(Press, EmptySpaceClearsUnlessShiftOrCtrlAndADragStartsALasso)
{
    {
        FakeDrag noDrag(false);
        Click(Inside(*a));
        Click(Empty(), MK_SHIFT);
        EXPECT_EQ(Sel(), Elements{a.get()});
        Click(Empty(), MK_CONTROL);
        EXPECT_EQ(Sel(), Elements{a.get()});
        EXPECT_FALSE(w.Task().IsBusy());
        // The right button clears also with Ctrl alone.
        Click(Empty(), MK_CONTROL, WM_RBUTTONDOWN);
        EXPECT_TRUE(Sel().empty());
        Click(Inside(*a));
        Click(Empty());
        EXPECT_TRUE(Sel().empty());
    }
    FakeDrag drag(true);
    Click(Inside(*a));
    EXPECT_EQ(TaskName(), "DefaultMoveTask");
    w.Mouse(WM_LBUTTONUP, Inside(*a));  // released before the drag began: nothing moves
    EXPECT_FALSE(w.Task().IsBusy());
    Click(Empty(), MK_SHIFT);
    EXPECT_EQ(TaskName(), "LassoTask");
    EXPECT_EQ(Sel(), Elements{a.get()});  // a Shift lasso adds to the selection
    w.Key(WM_KEYDOWN, VK_ESCAPE);
    w.Mouse(WM_LBUTTONUP, Empty());
    EXPECT_FALSE(w.Task().IsBusy());
    Click(Empty());
    EXPECT_EQ(TaskName(), "LassoTask");
    EXPECT_TRUE(Sel().empty());
    Click(Empty(), 0, WM_RBUTTONDOWN);  // a new press replaces nothing while the lasso runs: consumed
    EXPECT_EQ(TaskName(), "LassoTask");
}

TEST_F(Press, RightPressSelectsAndShiftRightToggles)
{
    FakeDrag noDrag(false);
    Click(Inside(*a), 0, WM_RBUTTONDOWN);
    EXPECT_EQ(Sel(), Elements{a.get()});
    Click(Inside(*b), MK_SHIFT, WM_RBUTTONDOWN);
    EXPECT_EQ(Sel(), (Elements{a.get(), b.get()}));
    Click(Inside(*a), MK_SHIFT, WM_RBUTTONDOWN);
    EXPECT_EQ(Sel(), Elements{b.get()});
    Click(Inside(*b), 0, WM_RBUTTONDOWN);
    EXPECT_EQ(Sel(), Elements{b.get()});
}

TEST_F(Press, AHandleStartsAResizeOnlyOnADragOfTheLeftButton)
{
    FakeDrag noDrag(false);
    Click(Inside(*a));
    const POINT corner = w.At({2000, 2000});  // south-east handle
    Click(corner);
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(Sel(), Elements{a.get()});
    FakeDrag drag(true);
    Click(corner);
    EXPECT_EQ(TaskName(), "RectResizeTask");
    EXPECT_EQ(w.Task().GetCurrentElement(), w.Of(*a));
}

TEST_F(Press, CtrlShiftZoomsAndItsDragsZoomToARectangleOrPan)
{
    FakeDrag noDrag(false);
    const double zoom = w.canvas->GetZoom();
    Click(Empty(), MK_CONTROL | MK_SHIFT);
    const double in = w.canvas->GetZoom();
    EXPECT_GT(in, zoom);
    Click(Empty(), MK_CONTROL | MK_SHIFT, WM_RBUTTONDOWN);
    EXPECT_LT(w.canvas->GetZoom(), in);
    EXPECT_TRUE(Sel().empty());
    {
        FakeDrag drag(true);
        Click(Inside(*a), MK_CONTROL | MK_SHIFT);
        EXPECT_EQ(TaskName(), "LassoTask");
        EXPECT_NE(dynamic_cast<View::ZoomLassoTask*>(w.Task().GetSubTask().get()), nullptr);
        EXPECT_TRUE(Sel().empty());  // nothing is selected by a zoom gesture
        w.Mouse(WM_LBUTTONUP, Empty());
        Click(Empty(), MK_CONTROL | MK_SHIFT, WM_RBUTTONDOWN);
        EXPECT_EQ(TaskName(), "PanTask");
    }
}

TEST_F(Press, TheClickThatActivatesAViewKeepsTheSelection)
{
    FakeDrag noDrag(false);
    WinUtil::MessageLoop loop;
    Click(Inside(*a));
    w.view->SetActive(false);
    w.view->SetActive(true);
    Click(Empty());
    EXPECT_EQ(Sel(), Elements{a.get()});
    // After the next message the loop dispatches, a click on empty space clears again.
    PostMessageW(w.hwnd, WM_NULL, 0, 0);
    loop.PumpWaiting();
    Click(Empty());
    EXPECT_TRUE(Sel().empty());
}

TEST_F(Press, APressTakesTheFocusAndRemembersTheRoundedModelPoint)
{
    FakeDrag noDrag(false);
    const POINT p = Inside(*b);
    Click(p);
    EXPECT_EQ(w.Task().GetLastMousePoint(), w.Logical(p));
    EXPECT_EQ(GetFocus(), w.hwnd);
}

} // namespace
} // namespace ViewTest
