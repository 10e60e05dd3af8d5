// A view window driven by posted mouse and key messages through the system's own drag detection:
// clicks select, Shift-clicks toggle, a handle drag resizes as one undo step, Escape during a resize
// leaves no trace, a lasso selects, Ctrl+Shift zooms; the handles show in a screenshot where the
// geometry puts them.
#include "view/tests/TestBoxes.h"

namespace ViewTest {
namespace {

using Elements = std::vector<Core::IModelElement*>;

// Sets the calling thread's state of the left button while it lives.
struct LeftButtonState {
    explicit LeftButtonState(bool down) {
        GetKeyboardState(saved);
        BYTE state[256];
        std::copy(std::begin(saved), std::end(saved), state);
        state[VK_LBUTTON] = down ? 0x80 : 0;
        SetKeyboardState(state);
    }
    ~LeftButtonState() { SetKeyboardState(saved); }
    BYTE saved[256] = {};
};

class Gestures : public ::testing::Test {
protected:
    void SetUp() override {
        // The real pointer stays outside the window, so that only the posted messages move it.
        SetCursorPos(1200, 1000);
        w.Pump();
        a = w.AddBox({1000, 4000, 4000, 2000});
        b = w.AddBox({6000, 4000, 9000, 2000});
        w.Pump();
    }
    void Post(UINT message, POINT p, WPARAM keys = 0) { PostMessageW(w.hwnd, message, keys, MAKELPARAM(p.x, p.y)); }
    void PostKey(UINT key) { PostMessageW(w.hwnd, WM_KEYDOWN, key, 1); }
    void Click(POINT p, WPARAM keys = 0) {
        Post(WM_LBUTTONDOWN, p, keys);
        Post(WM_LBUTTONUP, p, keys);
        w.Pump();
    }
    // A press, moves in steps to the target with the button held, then (unless escaped) the release.
    void Drag(POINT from, POINT to, WPARAM keys = 0, bool escape = false) {
        // The system's drag detection first asks whether the button is down; posted messages do not
        // change the key state, so the thread's state says so while the drag runs.
        LeftButtonState down(true);
        Post(WM_LBUTTONDOWN, from, keys);
        for (int i = 1; i <= 4; ++i)
            Post(WM_MOUSEMOVE, {from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4}, keys | MK_LBUTTON);
        if (escape) PostKey(VK_ESCAPE);
        Post(WM_LBUTTONUP, to, keys);
        w.Pump();
    }
    POINT Centre(const Box& box) const {
        const zq::Rect r = box.GetRect();
        return w.At({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    }

    ViewWindow w;
    std::shared_ptr<Box> a, b;
};

TEST_F(Gestures, ClicksSelectAndShiftClicksToggle)
{
    Click(Centre(*a));
    EXPECT_EQ(w.Selection(), Elements{a.get()});
    Click(Centre(*b), MK_SHIFT);
    EXPECT_EQ(w.Selection(), (Elements{a.get(), b.get()}));
    Click(Centre(*a), MK_SHIFT);
    EXPECT_EQ(w.Selection(), Elements{b.get()});
    Click(w.At({5000, 0}));
    EXPECT_TRUE(w.Selection().empty());
}

TEST_F(Gestures, AHandleDragResizesAsOneUndoStepAndEscapeLeavesNoTrace)
{
    Click(Centre(*a));
    const size_t undoCount = w.diagram.GetUndoHandler().GetUndoCount();
    Drag(w.At({4000, 2000}), w.At({5000, 1000}), 0, true);  // escaped
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(a->GetRect(), zq::Rect(1000, 4000, 4000, 2000));
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount);

    Drag(w.At({4000, 2000}), w.At({5000, 1000}));
    EXPECT_FALSE(w.Task().IsBusy());
    EXPECT_EQ(a->GetRect(), zq::Rect(1000, 4000, 5000, 1000));
    EXPECT_EQ(w.diagram.GetUndoHandler().GetUndoCount(), undoCount + 1);
    EXPECT_EQ(GetCapture(), nullptr);
    w.Undo();
    EXPECT_EQ(a->GetRect(), zq::Rect(1000, 4000, 4000, 2000));
}

TEST_F(Gestures, ALassoSelectsAndCtrlShiftZooms)
{
    Drag(w.At({500, 4500}), w.At({4500, 1500}));
    EXPECT_EQ(w.Selection(), Elements{a.get()});
    const double zoom = w.canvas->GetZoom();
    Click(w.At({5000, 0}), MK_CONTROL | MK_SHIFT);
    EXPECT_GT(w.canvas->GetZoom(), zoom);
    EXPECT_EQ(w.Selection(), Elements{a.get()});  // zooming leaves the selection alone
}

TEST_F(Gestures, TheHandlesOfTheSelectionAppearWhereTheGeometryPutsThem)
{
    Click(Centre(*a));
    ASSERT_EQ(w.Selection(), Elements{a.get()});
    InvalidateRect(w.hwnd, nullptr, TRUE);
    w.Pump();
    UpdateWindow(w.hwnd);
    HDC dc = GetDC(w.hwnd);
    const zq::Rect r = a->GetRect();
    for (unsigned id = 1; id <= 128; id <<= 1) {
        const zq::Point at = a->GetPos() + View::Resize::HandleOffset(id, a->GetSize());
        EXPECT_GE(GreenAround(dc, w.At(at)), 8) << "handle " << id;
    }
    // The unselected box shows no handle, and no handle lies inside the selected one.
    const zq::Rect o = b->GetRect();
    EXPECT_EQ(GreenAround(dc, w.At({o.right, o.bottom})), 0);
    EXPECT_EQ(GreenAround(dc, w.At({o.left, o.top})), 0);
    EXPECT_EQ(GreenAround(dc, w.At({(r.left + r.right) / 2, (r.top + r.bottom) / 2})), 0);
    ReleaseDC(w.hwnd, dc);

    // An inactive view hides its marks: the grey picture replaces the green one.
    w.view->SetActive(false);
    UpdateWindow(w.hwnd);
    dc = GetDC(w.hwnd);
    EXPECT_EQ(GreenAround(dc, w.At(a->GetPos())), 0);
    ReleaseDC(w.hwnd, dc);
}

} // namespace
} // namespace ViewTest
