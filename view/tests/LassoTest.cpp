// The selection lasso: elements completely inside are selected (touching edges count, crossing
// ones do not), either drawing direction gives the same result, Escape and a release outside
// select nothing; the zoom lasso and the pan task.
#include "view/LassoTasks.h"
#include "view/tests/TestBoxes.h"

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;

class Lasso : public ::testing::Test {
protected:
    // Boxes whose corners are exactly the logical points of client pixels, so that a lasso released
    // on those pixels has exactly the box's edges.
    std::shared_ptr<Box> BoxOnPixels(POINT tl, POINT br) {
        return w.AddBox(zq::Rect::FromCorners(w.Logical(tl), w.Logical(br)));
    }
    void Drag(POINT from, POINT to, UINT down = WM_LBUTTONDOWN, UINT up = WM_LBUTTONUP, WPARAM button = MK_LBUTTON) {
        FakeDrag drag(true);
        w.Mouse(down, from);
        w.Mouse(WM_MOUSEMOVE, {(from.x + to.x) / 2, (from.y + to.y) / 2}, button);
        w.Mouse(WM_MOUSEMOVE, to, button);
        w.Mouse(up, to);
    }
    ViewWindow w;
};

TEST_F(Lasso, SelectsWhatLiesInsideTouchingEdgesIncluded)
{
    auto inside = BoxOnPixels({100, 100}, {200, 200});
    auto crossing = BoxOnPixels({250, 150}, {400, 200});
    auto outside = BoxOnPixels({500, 100}, {600, 200});
    // Released on the bottom-right corner: the right and bottom edges touch; the crossing box is cut.
    Drag({50, 50}, {300, 200});
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(w.Selection(), Elements{inside.get()});
    // Drawn from bottom-right to top-left with the right button, released on the top-left corner.
    w.view->ClearSelection(nullptr);
    Drag({230, 230}, {100, 100}, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
    EXPECT_EQ(w.Selection(), Elements{inside.get()});
    w.view->ClearSelection(nullptr);
    Drag({50, 50}, {400, 200});
    EXPECT_EQ(w.Selection(), (Elements{inside.get(), crossing.get()}));
    EXPECT_FALSE(outside->IsSelectedInView(*w.view));
}

TEST_F(Lasso, ALassoWithoutTheShiftKeyReplacesTheSelectionAndWithShiftAddsToIt)
{
    auto a = BoxOnPixels({100, 100}, {200, 200});
    auto b = BoxOnPixels({500, 100}, {600, 200});
    b->SelectInView(*w.view, true);
    Drag({80, 80}, {210, 210});
    EXPECT_EQ(w.Selection(), Elements{a.get()});
    FakeDrag drag(true);
    w.Mouse(WM_LBUTTONDOWN, {480, 80}, MK_SHIFT);
    w.Mouse(WM_MOUSEMOVE, {610, 210}, MK_LBUTTON | MK_SHIFT);
    w.Mouse(WM_LBUTTONUP, {610, 210}, MK_SHIFT);
    EXPECT_EQ(w.Selection(), (Elements{a.get(), b.get()}));
}

TEST_F(Lasso, EscapeRemovesTheBandAndTheReleaseSelectsNothing)
{
    auto a = BoxOnPixels({100, 100}, {200, 200});
    FakeDrag drag(true);
    w.Mouse(WM_LBUTTONDOWN, {80, 80});
    w.Mouse(WM_MOUSEMOVE, {210, 210}, MK_LBUTTON);
    auto* lasso = dynamic_cast<View::LassoTask*>(w.Task().GetSubTask().get());
    ASSERT_NE(lasso, nullptr);
    EXPECT_TRUE(lasso->HasRubberBand());
    w.Key(WM_KEYDOWN, VK_ESCAPE);
    EXPECT_FALSE(lasso->HasRubberBand());
    EXPECT_TRUE(w.Task().IsBusy());  // waits for the release
    w.Mouse(WM_MOUSEMOVE, {220, 220}, MK_LBUTTON);
    w.Mouse(WM_LBUTTONUP, {220, 220});
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_TRUE(w.Selection().empty());
    (void)a;
}

TEST_F(Lasso, AReleaseOutsideTheWindowOrAClickWithoutMoveSelectsNothing)
{
    auto a = BoxOnPixels({100, 100}, {200, 200});
    FakeDrag drag(true);
    w.Mouse(WM_LBUTTONDOWN, {80, 80});
    w.Mouse(WM_MOUSEMOVE, {210, 210}, MK_LBUTTON);
    w.Mouse(WM_MOUSEMOVE, {900, 700}, 0);  // the button came up outside
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_TRUE(w.Selection().empty());
    w.Mouse(WM_LBUTTONDOWN, {80, 80});
    w.Mouse(WM_LBUTTONUP, {210, 210});  // no move: no band, nothing applied
    EXPECT_TRUE(w.Selection().empty());
    (void)a;
}

TEST_F(Lasso, TheZoomLassoZoomsOntoItsRectangleUnlessNothingMoved)
{
    const double zoom = w.canvas->GetZoom();
    FakeDrag drag(true);
    w.Mouse(WM_LBUTTONDOWN, {100, 100}, MK_CONTROL | MK_SHIFT);
    w.Mouse(WM_LBUTTONUP, {100, 100}, MK_CONTROL | MK_SHIFT);
    EXPECT_DOUBLE_EQ(w.canvas->GetZoom(), zoom);
    w.Mouse(WM_LBUTTONDOWN, {100, 100}, MK_CONTROL | MK_SHIFT);
    w.Mouse(WM_MOUSEMOVE, {300, 250}, MK_LBUTTON | MK_CONTROL | MK_SHIFT);
    w.Mouse(WM_LBUTTONUP, {300, 250}, MK_CONTROL | MK_SHIFT);
    EXPECT_GT(w.canvas->GetZoom(), zoom);
    EXPECT_FALSE(w.Task().IsBusy());
}

TEST_F(Lasso, PanningKeepsTheGrabbedPointUnderThePointer)
{
    FakeDrag drag(true);
    const zq::Point grabbed = w.Logical({400, 300});
    w.Mouse(WM_RBUTTONDOWN, {400, 300}, MK_CONTROL | MK_SHIFT);
    w.Mouse(WM_MOUSEMOVE, {300, 200}, MK_RBUTTON);
    EXPECT_EQ(w.At(grabbed).x, 300);
    EXPECT_EQ(w.At(grabbed).y, 200);
    w.Mouse(WM_MOUSEMOVE, {-100, -50}, MK_RBUTTON);  // also beyond the window
    EXPECT_EQ(w.At(grabbed).x, -100);
    w.Key(WM_KEYDOWN, VK_ESCAPE);
    w.Mouse(WM_MOUSEMOVE, {200, 200}, MK_RBUTTON);  // cancelled: no more scrolling
    EXPECT_EQ(w.At(grabbed).x, -100);
    w.Mouse(WM_RBUTTONUP, {200, 200});
    EXPECT_FALSE(w.Task().IsBusy());
}

} // namespace
} // namespace ViewTest
